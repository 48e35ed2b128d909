// Extensions: the supported extensions' text and table agree; only a whole known one matches.
#include <string>

#include "image/Extensions.h"
#include "tests/support/TestUtil.h"

TEST(Extensions, TextAndTableAgree)
{
    EXPECT_STREQ(
        ".avs;.bmp;.bmp24;.cgm;.cmyk;.dcx;.dib;.epdf;.fits;.fpx;.gif;.gif87;.jbig;.jpg;.jpeg;.map;"
        ".mng;.mtv;.pbm;.pcd;.pcl;.pcds;.pcx;.pgm;.pict;.pix;.png;.psd;.rgb;.rle;.sgi;.sun;.tga;"
        ".tif;.tiff;.tiff24;.tile;.wmf;.xbm;.xpm;.xwd;.yuv;",
        kSupportedExtensionText);
    std::string joined;
    for (const char* ext : kSupportedExtensionNames)
    {
        joined += std::string(".") + ext + ";";
        EXPECT_TRUE(IsSupportedExtension((std::string(".") + ext).c_str())) << ext;
    }
    EXPECT_EQ(joined, kSupportedExtensionText);
}

TEST(Extensions, MatchRule)
{
    struct Case
    {
        const char* ext;
        bool supported;
    } cases[] = {
        {".JPG", true},   {".Tiff24", true},  {".gif87", true}, {".jp", false},
        {".bmp2", false}, {".tiff2", false},  {"", false},      {".", false},
        {".avs;", false}, {".yuv;.x", false}, {".exe", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.supported, IsSupportedExtension(c.ext)) << c.ext;
    EXPECT_FALSE(IsSupportedExtension(std::string(500, 'a').c_str()));
    EXPECT_FALSE(IsSupportedExtension(NULL));

    EXPECT_TRUE(IsSupportedFile("C:\\pics.old\\Photo.JPEG"));
    EXPECT_FALSE(IsSupportedFile("C:\\pics.jpg\\photo"));
    EXPECT_FALSE(IsSupportedFile("C:\\pics\\photo.jpg.txt"));
}
