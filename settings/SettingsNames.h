// The vocabulary of the settings file: its name beside the program, its
// extension and file-dialog filter, its sections and keys, and the text its
// readers ask for in place of a missing key. Every writer and reader spells
// them from here; each reader keeps its own rules for a missing key. They
// are a stored format: files written before must read the same, so a
// spelling here never changes. The product's caption lives here too, for
// the message boxes of the layers above.
#pragma once

// The file beside the program that holds the options from one run to the
// next, the GIF section included.
const char kSettingsFileName[] = "settings.tvx";
const char kSettingsExtension[] = "tvx";
// Filter pairs for the file dialogs, ending with an empty text.
const char kSettingsFilter[] = "Tolvex settings (*.tvx)\0*.tvx\0";

// The default text of a profile read: a missing key reads as this. The
// main window and the GIF dialog also take it, read from the first key, as
// "no settings here".
const char kMissingValueText[] = "Default";

const char kSectionResize[] = "Resize";
const char kSectionBorder[] = "Border";
const char kSectionImage[] = "Image";
const char kSectionRotate[] = "Rotate";
const char kSectionNames[] = "File Names";
const char kSectionGif[] = "GIF"; // the GIF settings dialog's own

// "Resize"; a file is a settings file when it holds "EnableResize".
const char kKeyEnableResize[] = "EnableResize";
const char kKeyEnableWidth[] = "EnableWidth";
const char kKeyWidth[] = "Width";
const char kKeyEnableHeight[] = "EnableHeight";
const char kKeyHeight[] = "Height";
const char kKeyDoNothing[] = "DoNothing";
const char kKeyDoCrop[] = "DoCrop";
const char kKeyDoStretch[] = "DoStretch";

// "Border", with the colour keys below.
const char kKeyEnableBorder[] = "EnableBorder";
const char kKeyBorderWidth[] = "Width";
const char kKeyBorder3d[] = "3d";

// A colour's red, green and blue bytes, in "Border" and in "GIF".
const char kKeyColorR[] = "ColorR";
const char kKeyColorG[] = "ColorG";
const char kKeyColorB[] = "ColorB";

// "Image": slider positions, 100 unchanged.
const char kKeyHue[] = "Hue";
const char kKeySaturation[] = "Saturation";
const char kKeyLightness[] = "Lightness";

// "Rotate"
const char kKeyRotate[] = "Rotate";

// "File Names"; the quiet reader ignores "Folder" and "ExploreFiles".
const char kKeyPrefix[] = "Prefix";
const char kKeyNamePattern[] = "Name";
const char kKeySuffix[] = "Suffix";
const char kKeyFolder[] = "Folder";
const char kKeyExploreFiles[] = "ExploreFiles";

// "GIF", with the colour keys above.
const char kKeyNoneTR[] = "NoneTR";
const char kKeyColorTR[] = "ColorTR";
const char kKeyInterlace[] = "Interlace";
const char kKeyColor256[] = "Color256";

// The caption of the product's message boxes.
const char kProductName[] = "Tolvex";
