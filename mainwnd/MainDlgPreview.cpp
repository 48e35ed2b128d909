// The main window's preview pipeline: the source image, three stage images
// (resize, border, rotation and colour) and the picture in the preview box.
// The batch conversion runs the same stages at full size.
#include "mainwnd/MainDlg.h"

#include <commctrl.h>
#include <climits>
#include <exception>
#include <new>

#include "base/ComRef.h"
#include "base/DialogItems.h"
#include "base/GdiHandles.h"
#include "base/WinUtil.h"
#include "browser/Pidl.h"
#include "controls/Bitmaps.h"
#include "image/ImageIO.h"
#include "image/ImageSteps.h"
#include "image/MagickInc.h"

namespace {

// The colour of the preview box around (and behind) the picture.
const int kPreviewBackground = COLOR_BTNFACE;

// The GIF keeps a pixel opaque from this alpha up and makes the others
// transparent.
const BYTE kGifOpaqueAlpha = 128;

// Pixels of a 32-bit BGRA picture that the GIF makes transparent take the
// box's colour; the others show unblended, as the GIF keeps them.
void ShowTransparentAsBox(const DibPixels& pixels, COLORREF background)
{
    for (int y = 0; y < pixels.height; ++y)
    {
        BYTE* p = pixels.Row(y);
        for (int x = 0; x < pixels.width; ++x, p += pixels.pixelBytes)
        {
            if (p[3] >= kGifOpaqueAlpha)
                continue;
            p[0] = GetBValue(background);
            p[1] = GetGValue(background);
            p[2] = GetRValue(background);
        }
    }
}

UINT ReadSize(HWND hDlg, int id)
{
    const int value = (int)GetDlgItemInt(hDlg, id, NULL, TRUE);
    return value > 0 ? (UINT)value : 0;
}

int CropAnchorOf(HWND hDlg) { return CropAnchorOfListIndex(ComboSelection(hDlg, IDC_MAIN_ANCHOR)); }

ResizeOptions ReadResizeOptions(HWND hDlg)
{
    ResizeOptions options;
    options.enableResize = IsItemChecked(hDlg, IDC_MAIN_RESIZE);
    options.enableWidth = IsItemChecked(hDlg, IDC_MAIN_USE_WIDTH);
    options.width = ReadSize(hDlg, IDC_MAIN_WIDTH);
    options.enableHeight = IsItemChecked(hDlg, IDC_MAIN_USE_HEIGHT);
    options.height = ReadSize(hDlg, IDC_MAIN_HEIGHT);
    options.fit = IsItemChecked(hDlg, IDC_MAIN_FIT);
    options.cropAnchor = IsItemChecked(hDlg, IDC_MAIN_CROP) ? CropAnchorOf(hDlg) : kCropNone;
    options.stretch = IsItemChecked(hDlg, IDC_MAIN_STRETCH);
    return options;
}

// The panel's options for the image steps; the border colour is the
// dialog's own.
ImageStepOptions ReadImageStepOptions(HWND hDlg, COLORREF borderColor)
{
    ImageStepOptions options;
    options.resize = ReadResizeOptions(hDlg);
    options.border.enableBorder = IsItemChecked(hDlg, IDC_MAIN_BORDER);
    const UINT width = GetDlgItemInt(hDlg, IDC_MAIN_BORDER_WIDTH, NULL, FALSE);
    options.border.width = width > (UINT)INT_MAX ? INT_MAX : (int)width;
    options.border.color = borderColor;
    options.border.frame3d = IsItemChecked(hDlg, IDC_MAIN_BORDER_3D);
    options.rotation = RotationOfSetting(ComboSelection(hDlg, IDC_MAIN_ROTATE));
    options.hue = TrackbarPosition(hDlg, IDC_MAIN_HUE_BAR);
    options.saturation = TrackbarPosition(hDlg, IDC_MAIN_SATURATION_BAR);
    options.lightness = TrackbarPosition(hDlg, IDC_MAIN_LIGHTNESS_BAR);
    return options;
}

SIZE PreviewBox(HWND hDlg)
{
    RECT rc = {0, 0, 0, 0};
    ::GetClientRect(DialogControl(hDlg, IDC_MAIN_PREVIEW), &rc);
    const SIZE box = {rc.right, rc.bottom};
    return box;
}

// The preview box for the image steps; 0 x 0 when there is none to show.
ImageSize PreviewBoxSize(HWND hDlg)
{
    const SIZE box = PreviewBox(hDlg);
    const ImageSize none = {0, 0};
    if (box.cx <= 0 || box.cy <= 0)
        return none;
    const ImageSize size = {(size_t)box.cx, (size_t)box.cy};
    return size;
}

} // namespace

int CMainDlg::LoadSourceImage(const char* path, const std::function<bool()>& progress)
{
    if (m_bReading)
        return 0;
    m_pSourceImage.reset();
    m_bReading = true;
    try
    {
        m_pSourceImage.reset(new (std::nothrow) Magick::Image());
        // Neither the preview nor a conversion needs more of a large source
        // than it shows.
        const DecodeSizeRule rule = m_bPreview ? PreviewDecodeSize(PreviewBoxSize(m_hWnd))
                                               : ConversionDecodeSize(ReadResizeOptions(m_hWnd));
        if (m_pSourceImage != NULL)
            ReadImageFile(*m_pSourceImage, path, rule, m_sourceSize, progress);
    }
    catch (const std::exception&)
    {
        m_pSourceImage.reset();
    }
    m_bReading = false;
    if (m_pSourceImage == NULL)
    {
        EnableImageControls(false);
        return 0;
    }
    m_bLoading = 0;
    if (m_bPreview)
        m_previewedFile = path;
    EnableImageControls(true);
    UpdatePreview(kStageResize);
    return 1;
}

void CMainDlg::ShowFocusedFileAgain()
{
    m_pSourceImage.reset();
    m_pStage0.reset();
    m_pStage1.reset();
    m_pStage2.reset();
    const HWND hList = GetListView();
    const int focused = hList != NULL ? (int)::SendMessageA(hList, LVM_GETNEXTITEM, (WPARAM)-1,
                                                            MAKELPARAM(LVNI_FOCUSED, 0))
                                      : -1;
    const CFileListItem* record = focused != -1 ? m_fileList.GetItemRecord(focused) : NULL;
    char path[kPathBufferSize] = "";
    CComRef<IShellFolder> desktop;
    if (record != NULL && SUCCEEDED(SHGetDesktopFolder(desktop.Out())) && desktop &&
        GetShellItemName(desktop.Get(), record->absolute.Get(), SHGDN_FORPARSING, path))
        OnFileSelected(&m_fileList, CFileListView::kSelectedCode, NULL, path);
    else if (!m_previewedFile.empty())
    {
        // No row has the focus (the list moved on to another folder): the
        // picture still shown stands for the file last read for it.
        const std::string previewed = m_previewedFile;
        OnFileSelected(&m_fileList, CFileListView::kSelectedCode, NULL, previewed.c_str());
    }
}

void CMainDlg::UpdatePreview(unsigned short fromStage)
{
    if (fromStage >= kStageCount || m_bReading)
        return;
    std::unique_ptr<Magick::Image>* const stages[kStageCount] = {&m_pStage0, &m_pStage1,
                                                                 &m_pStage2};
    int stage = fromStage;
    try
    {
        // The panel is read once a pass, not once a stage.
        const ImageStepOptions options = ReadImageStepOptions(m_hWnd, m_crBorder);
        for (; stage < kStageCount; ++stage)
        {
            const Magick::Image* input =
                stage == kStageResize ? m_pSourceImage.get() : stages[stage - 1]->get();
            if (input == NULL)
                return;
            // The old picture goes before its successor is made.
            stages[stage]->reset();
            stages[stage]->reset(new (std::nothrow) Magick::Image(*input));
            if (*stages[stage] == NULL)
                throw std::bad_alloc();
            PrepareForWork(**stages[stage]);
            // The resize and the border have the preview's own sizes.
            if (stage == kStageResize)
                ApplyResize(options);
            else if (stage == kStageBorder)
                ApplyBorder(options);
            else
                ApplyImageStage(**stages[stage], (unsigned short)stage, options, m_sourceSize);
        }
    }
    catch (const std::exception&)
    {
        // A half-done stage and the ones after it would show, or be written
        // as, the wrong picture: drop them; the earlier stages stand.
        for (int i = stage; i < kStageCount; ++i)
            stages[i]->reset();
        return;
    }
    if (m_bPreview)
        DrawPreview(m_pStage2.get());
}

void CMainDlg::ApplyResize(const ImageStepOptions& options)
{
    if (m_pStage0 == NULL)
        return;
    const ImageSize box = PreviewBoxSize(m_hWnd);
    m_stage0Scale = 1.0;
    if (!m_bPreview || box.columns == 0 || box.rows == 0)
    {
        ApplyImageStage(*m_pStage0, kStageResize, options, m_sourceSize);
        return;
    }
    // The later stages and the drawing work on the box-size picture, made
    // without the full-size result of the resize.
    m_stage0Scale = ApplyPreviewResize(*m_pStage0, options.resize, m_sourceSize, box);
}

void CMainDlg::ResizeCropToFit()
{
    if (m_pStage0 != NULL)
        CoverAndCrop(*m_pStage0, ReadSize(m_hWnd, IDC_MAIN_WIDTH),
                     ReadSize(m_hWnd, IDC_MAIN_HEIGHT), CropAnchorOf(m_hWnd));
}

void CMainDlg::ResizeStretch()
{
    if (m_pStage0 != NULL)
        StretchToSize(*m_pStage0, ReadSize(m_hWnd, IDC_MAIN_WIDTH),
                      ReadSize(m_hWnd, IDC_MAIN_HEIGHT));
}

void CMainDlg::ApplyBorder(ImageStepOptions options)
{
    if (m_pStage1 == NULL)
        return;
    // On a stage 0 reduced for the preview, the border shrinks alike.
    options.border = ScaleBorder(options.border, m_stage0Scale);
    ApplyImageStage(*m_pStage1, kStageBorder, options, m_sourceSize);
}

void CMainDlg::DrawPreview(Magick::Image* image)
{
    if (image == NULL)
        return;
    const size_t columns = image->columns(), rows = image->rows();
    if (columns == 0 || rows == 0 || columns > (size_t)INT_MAX || rows > (size_t)INT_MAX)
        return;
    const SIZE box = PreviewBox(m_hWnd);
    if (box.cx <= 0 || box.cy <= 0)
        return;
    CBitmapHandle picture(CreateDib32(NULL, (int)columns, (int)rows));
    DibPixels pixels;
    if (picture.Get() == NULL || !GetDibPixels(picture, pixels))
        return;
    // The library's own pixel packets are 16 bits a channel: it converts
    // them into the DIB's bytes itself (32-bit rows need no padding).
    try
    {
        // A copy shares the pixels until its colours are converted.
        Magick::Image shown(*image);
        ToOutputColorspace(shown);
        shown.write(0, 0, columns, rows, "BGRA", Magick::CharPixel, pixels.bits);
    }
    catch (const std::exception&)
    {
        return;
    }
    GdiFlush();
    ShowTransparentAsBox(pixels, GetSysColor(kPreviewBackground));
    HBITMAP fitted = FitBitmap(picture, box.cx, box.cy, kPreviewBackground);
    if (fitted == NULL)
        return;
    SendDlgItemMessageA(m_hWnd, IDC_MAIN_PREVIEW, STM_SETIMAGE, IMAGE_BITMAP, (LPARAM)fitted);
    // Replaced only once the static holds the new one.
    m_hPreviewBitmap.Reset(fitted);
}
