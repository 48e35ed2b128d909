// Resize settings and the JPEG sources of the resize and decode tests.
#include "tests/support/ResizeFixtures.h"

#include "tests/support/ImageFixtures.h"

std::ostream& operator<<(std::ostream& os, const ImageSize& s)
{
    return os << s.columns << "x" << s.rows;
}

ResizeOptions Box(UINT w, UINT h)
{
    ResizeOptions o = {TRUE, TRUE, w, TRUE, h, TRUE, kCropNone, FALSE};
    return o;
}

ResizeOptions Crop(UINT w, UINT h, int anchor)
{
    ResizeOptions o = Box(w, h);
    o.fit = FALSE;
    o.cropAnchor = anchor;
    return o;
}

ResizeOptions Stretch(UINT w, UINT h)
{
    ResizeOptions o = Box(w, h);
    o.fit = FALSE;
    o.stretch = TRUE;
    return o;
}

ResizeOptions WidthOnly(UINT w)
{
    ResizeOptions o = Box(w, 0);
    o.enableHeight = FALSE;
    return o;
}

ResizeOptions HeightOnly(UINT h)
{
    ResizeOptions o = Box(0, h);
    o.enableWidth = FALSE;
    return o;
}

TempFolder* ReducedDecodeTest::s_dir = NULL;

void ReducedDecodeTest::SetUpTestSuite()
{
    s_dir = new TempFolder("reduced");
    for (const ImageSize& s : kSources)
        WriteFileBytes(Path(s), EncodeImage(MakeScene(s.columns, s.rows), "jpeg"));
}

void ReducedDecodeTest::TearDownTestSuite()
{
    delete s_dir;
    s_dir = NULL;
}

std::string ReducedDecodeTest::Path(const ImageSize& s)
{
    return s_dir->File(std::to_string(s.columns) + "x" + std::to_string(s.rows) + ".jpg");
}
