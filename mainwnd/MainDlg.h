// The main window: folder tree and file list in a splitter, the option
// panel, the preview of the focused file and the Convert commands. One flat
// message map routes every command; what no entry takes is reflected back
// to the child control it concerns.
#pragma once

#include <windows.h>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/GdiHandles.h"
#include "base/StrUtil.h"
#include "browser/FileListView.h"
#include "browser/FolderTreePane.h"
#include "controls/ColorButton.h"
#include "controls/OwnerDrawButton.h"
#include "controls/SpinEdit.h"
#include "image/ImageSize.h"
#include "image/ImageSteps.h"
#include "framework/Framework.h"
#include "framework/Splitter.h"
#include "res/resource.h"

namespace Magick {
class Image;
}
class CProgressDlg;
class OutputStaging;
struct OutputWrite;

// Colour-adjustment trackbars run 0..200; kColorNeutral (image/ImageSteps.h)
// in the middle means unchanged.
const int kAdjustMax = 200;

// How long a run may collect its files before the progress dialog shows,
// so that its Cancel can stop a long search.
const DWORD kCollectQuietMs = 300;

// Runs a dialog of the given class modally, owned by the active window, and
// ignores its result.
template <class TDialog>
void RunDialogOnActiveWindow()
{
    TDialog dlg;
    dlg.DoModal(::GetActiveWindow());
}

// Tells the user, in one message for the save that failed, that the
// settings did not reach `path`.
void ReportSettingsNotSaved(HWND owner, const char* path);

class CMainDlg : public CDialogImpl<CMainDlg>, public IFolderTreeSink, public IFileListSink
{
public:
    enum { IDD = IDD_MAIN };

    CMainDlg();
    ~CMainDlg() override;

    BEGIN_MSG_MAP(CMainDlg)
        MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
        MESSAGE_HANDLER(WM_HSCROLL, OnHScroll)
        COMMAND_ID_HANDLER(IDOK, IgnoreMessage)
        COMMAND_ID_HANDLER(IDCANCEL, OnExit)
        COMMAND_RANGE_HANDLER(ID_CONVERT_SELECTION, ID_CONVERT_RECURSIVE, OnConvertMenu)
        COMMAND_HANDLER(IDC_MAIN_CONVERT, BN_CLICKED, OnConvert)
        COMMAND_HANDLER(ID_TOOLS_OPTIONS, 0, OnOptions)
        COMMAND_RANGE_CODE_HANDLER(IDC_MAIN_RESIZE, IDC_MAIN_USE_HEIGHT, BN_CLICKED,
                                   OnResizeOptionChanged)
        COMMAND_RANGE_CODE_HANDLER(IDC_MAIN_WIDTH, IDC_MAIN_HEIGHT, EN_CHANGE,
                                   OnResizeOptionChanged)
        COMMAND_RANGE_CODE_HANDLER(IDC_MAIN_FIT, IDC_MAIN_STRETCH, BN_CLICKED,
                                   OnResizeOptionChanged)
        COMMAND_HANDLER(IDC_MAIN_ANCHOR, CBN_SELCHANGE, OnResizeOptionChanged)
        COMMAND_RANGE_CODE_HANDLER(IDC_MAIN_BORDER, IDC_MAIN_BORDER_3D, BN_CLICKED,
                                   OnBorderOptionChanged)
        COMMAND_HANDLER(IDC_MAIN_BORDER_COLOR, 0, OnBorderOptionChanged)
        COMMAND_HANDLER(IDC_MAIN_BORDER_WIDTH, EN_CHANGE, OnBorderOptionChanged)
        COMMAND_RANGE_HANDLER(IDC_MAIN_VIEW_DETAILS, IDC_MAIN_VIEW_LARGE_ICONS, OnViewMode)
        COMMAND_HANDLER(IDC_MAIN_ROTATE, CBN_SELCHANGE, OnRotateChanged)
        COMMAND_RANGE_CODE_HANDLER(IDC_MAIN_HUE, IDC_MAIN_LIGHTNESS, EN_CHANGE, OnAdjustEditChange)
        COMMAND_HANDLER(IDC_MAIN_SAVE, BN_CLICKED, OnSaveSettings)
        COMMAND_HANDLER(IDC_MAIN_LOAD, BN_CLICKED, OnLoadSettings)
        COMMAND_HANDLER(IDC_MAIN_BROWSE, BN_CLICKED, OnBrowseOutputFolder)
        COMMAND_HANDLER(IDC_MAIN_RESET, BN_CLICKED, OnReset)
        COMMAND_HANDLER(IDC_MAIN_GIF_SETTINGS, BN_CLICKED, OnGifSettings)
        COMMAND_RANGE_HANDLER(ID_HELP_QUICKSTART, ID_HELP_SUPPORT, OnHelpCommand)
        COMMAND_ID_HANDLER(ID_HELP_ABOUT, OnHelpCommand)
        COMMAND_ID_HANDLER(ID_HELP_EMAIL, OnHelpCommand)
        REFLECT_NOTIFICATIONS()
    END_MSG_MAP()

    // Start-up and the browser callbacks.
    // Builds the panes and controls, then the list's view from the registry,
    // the settings beside the program and, on a first start, the quick start.
    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL& bHandled);
    // Fills the tree's top level from the desktop and selects its first item.
    void InitFolderTree();
    // Columns, ranges, combo texts, spin edits and owner-drawn buttons, then
    // the factory settings; always 0.
    LRESULT InitControls();
    // Lists the folder and keeps its path in m_szBrowsedFolder; always 0.
    int OnFolderSelected(CFolderTreePane* sender, int code, LPCITEMIDLIST folder,
                         const char* path) override;
    // Loads the file for the preview when its path fits; always 0.
    int OnFileSelected(CFileListView* sender, int code, LPCITEMIDLIST item,
                       const char* path) override;

    // Option panel, view modes and small commands.
    LRESULT IgnoreMessage(WORD, WORD, HWND, BOOL&) { return 0; }
    // Enables the border and resize details by the boxes they depend on.
    void UpdateControlStates();
    // The controls that need a loaded picture.
    void EnableImageControls(bool enable);
    // The three option handlers redo the preview from their stage, except
    // while m_bLoading is set.
    LRESULT OnResizeOptionChanged(WORD, WORD, HWND, BOOL&);
    LRESULT OnBorderOptionChanged(WORD, WORD, HWND, BOOL&);
    LRESULT OnRotateChanged(WORD, WORD, HWND, BOOL&);
    // Trackbar to edit, and edit to trackbar (clamped to the bar's range).
    LRESULT OnHScroll(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnAdjustEditChange(WORD, WORD id, HWND, BOOL&);
    // Sets the list's view type and latches its button; an unknown id means
    // the details view.
    LRESULT OnViewMode(WORD, WORD id, HWND, BOOL&);
    // During a run: stops it, and the window closes once it has. Else stores
    // the view in the registry and the options in "settings.tvx" (saying so
    // when they could not be saved), and ends the dialog.
    LRESULT OnExit(WORD, WORD id, HWND, BOOL&);
    LRESULT OnOptions(WORD, WORD, HWND, BOOL&);
    // Puts the chosen folder into the output folder box; 1 when one was chosen.
    LRESULT OnBrowseOutputFolder(WORD, WORD, HWND, BOOL&);

    // Preview pipeline.
    // Reads `path` into m_pSourceImage, decoded no larger than the preview
    // (between runs) or the conversion needs, and redoes every stage; 1 when
    // it was read, 0 (image controls disabled) when not. `progress` (a
    // ReadProgress of image/ImageIO.h) is asked during the read and may stop
    // it. While one read is under way another is refused, changing nothing.
    int LoadSourceImage(const char* path,
                        const std::function<bool()>& progress = std::function<bool()>());
    // Remakes the stage `fromStage` and the ones after it from the one
    // before; a stage that fails is NULL with those after it. Between runs
    // the last stage is drawn. Nothing while a source is being read.
    void UpdatePreview(unsigned short fromStage);
    // Stage 0: the resize stage of the image steps; between runs made at the
    // preview's size, with m_stage0Scale telling by how much.
    void ApplyResize(const ImageStepOptions& options);
    // Not called by the pipeline, whose resize stage covers these too:
    // scales stage 0 to cover the typed size and crops it there at the
    // chosen anchor (with none chosen, nothing is cropped).
    void ResizeCropToFit();
    // Not called by the pipeline: stretches stage 0 to exactly the typed
    // size when neither side is 0.
    void ResizeStretch();
    // Stage 1: the panel's border, scaled by m_stage0Scale.
    void ApplyBorder(ImageStepOptions options);
    // Fits the picture into the preview box and hands it to the static; a
    // NULL or empty picture leaves the one shown.
    void DrawPreview(Magick::Image* image);
    // At the end of a run: the batch's full-size pictures go, and the
    // focused file (or the one the preview showed) is shown again.
    void ShowFocusedFileAgain();

    // Batch conversion.
    // Makes the chosen command the button's own and runs it.
    LRESULT OnConvertMenu(WORD, WORD id, HWND, BOOL&);
    // One run with its progress dialog (none while a run is under way), then
    // the report of the files left out and, when asked, the output folder.
    LRESULT OnConvert(WORD, WORD, HWND, BOOL&);
    // 1 when the run went through its files (however many were converted),
    // 0 when it did not start: no usable output folder, or its creation
    // declined.
    int ConvertFiles(CProgressDlg* progress);
    // The folder the run writes into: the output folder box's text, or the
    // browsed folder when the box is empty, created when the user agrees,
    // and written back into the box. false when there is none to use.
    bool SettleOutputFolder(char (&output)[kPathBufferSize]);
    // Converts `sources` in order into `output` (an empty one is passed
    // over, its index used up) until one ends the run or Cancel does; lists
    // in m_notConverted what a throw or a broken output folder left out.
    void ConvertSources(const char* output, const std::vector<std::string>& sources,
                        CProgressDlg* progress);
    // Converts m_szCurrentFile, the run's file number `index`, into
    // `outputFolder`; 1 to go on with the next file (converted, passed over
    // or listed as not converted), 0 to end the run (Cancel, Exit asked for,
    // or an output folder that takes no more files).
    int ConvertOneFile(const char* outputFolder, int index, CProgressDlg* progress);
    // The rest of ConvertOneFile once `output` may be written: reads `source`
    // through the stages at full size and writes the result; the same
    // answers as ConvertOneFile.
    int ConvertToOutput(const char* source, const char* output, const OutputWrite& how,
                        CProgressDlg* progress);
    // Not called by the run, which names its outputs the same way:
    // replaces `path` by its output base name at `index` from the naming
    // fields, or by an empty one when they give no plain file name.
    void BuildOutputName(char* path, int index);
    // Appends the supported files of `folder` (and below it when
    // `recursive`) to `list`; the progress dialog's Cancel ends the search.
    void CollectFiles(std::vector<std::string>& list, const char* folder, bool recursive);
    // Tells the user once, at the end of a run, which files it left out.
    void ReportNotConverted();
    // During a run: stops it as Cancel does and has the window close once it
    // has; false between runs.
    bool StopRunForExit();

    // Settings files.
    // Writes the panel's options to the settings file `path`; false when
    // the file could not take them (it is then as it was).
    bool SaveSettings(const char* path);
    // At start-up: the options and the GIF options record from
    // "settings.tvx", after clearing away the copies of killed saves.
    void LoadProgramSettings();
    // Sets the panel from the settings file `path`; a file without the
    // resize options changes nothing and leaves m_bLoading set.
    void LoadSettings(const char* path);
    // The factory options, then the preview redone.
    void ResetSettings();
    // Save and Load ask for the file first.
    LRESULT OnSaveSettings(WORD, WORD, HWND, BOOL&);
    LRESULT OnLoadSettings(WORD, WORD, HWND, BOOL&);
    LRESULT OnReset(WORD, WORD, HWND, BOOL&);

    // GIF settings and help.
    LRESULT OnGifSettings(WORD, WORD, HWND, BOOL&);
    LRESULT OnHelpCommand(WORD, WORD id, HWND, BOOL&);

    // Shows m_crBorder again after the code changed it.
    void RefreshBorderColor();

    // The file list's list view (inside the splitter once start-up ran).
    HWND GetListView() const;

    // The pictures the pipeline holds, to be read and not kept: the source
    // as read, and the picture of a stage (kStageResize to
    // kStageRotateColor); NULL when there is none.
    const Magick::Image* SourceImage() const { return m_pSourceImage.get(); }
    const Magick::Image* StageImage(unsigned short stage) const;

    // The border colour: the colour button edits it, the border step uses it.
    COLORREF m_crBorder;
    // The browser's two panes, held by m_splitter.
    CFolderTreePane m_treePane;
    CFileListView m_fileList;
    // The panel's number edits, each subclassed over its dialog control.
    CSpinEdit m_editBorderWidth;
    CSpinEdit m_editWidth;
    CSpinEdit m_editHeight;
    CSpinEdit m_editHue;
    CSpinEdit m_editSaturation;
    CSpinEdit m_editLightness;
    // The four view buttons, exactly one latched: the list's view type.
    COwnerDrawButton m_btnList;
    COwnerDrawButton m_btnDetails;
    COwnerDrawButton m_btnSmallIcons;
    COwnerDrawButton m_btnLargeIcons;
    // Convert with its menu of commands; its caption names m_nConvertCmd.
    COwnerDrawButton m_btnConvert;
    // The panel's push buttons, each subclassed over its dialog control.
    COwnerDrawButton m_btnSave;
    COwnerDrawButton m_btnLoad;
    COwnerDrawButton m_btnReset;
    COwnerDrawButton m_btnExit;
    COwnerDrawButton m_btnGifSettings;
    COwnerDrawButton m_btnBrowse;
    // Shows and edits m_crBorder.
    CColorPickerButton m_btnColor;
    // Folder tree on the left, file list on the right, in the list's place.
    CSplitterWindowImpl m_splitter;
    // The source as read; NULL when none is loaded or it failed.
    std::unique_ptr<Magick::Image> m_pSourceImage;
    // The size of the whole picture m_pSourceImage was decoded from.
    ImageSize m_sourceSize;
    // Stage 0: the source resized; NULL when it could not be made.
    std::unique_ptr<Magick::Image> m_pStage0;
    // Stage 0's size against the output it stands for: below 1 while it is
    // reduced for the preview.
    double m_stage0Scale = 1.0;
    // Stage 1: stage 0 with its border.
    std::unique_ptr<Magick::Image> m_pStage1;
    // Stage 2: stage 1 rotated and colour-adjusted; the preview draws
    // it and a run writes it.
    std::unique_ptr<Magick::Image> m_pStage2;
    // Set while one adjustment control writes its partner, so the echo is
    // not taken for the user's change.
    int m_bBusy;
    // Set from creation until a source loads and while the panel is filled
    // from a file or the factory values: option changes leave the preview.
    int m_bLoading;
    // 1 between runs (stages are made and drawn at the preview's size), 0
    // during a run (full size, written, not drawn); also blocks a second run.
    int m_bPreview;
    // A source is being read into m_pSourceImage. A run's read dispatches
    // messages, so option changes and the file list can call in meanwhile:
    // they find no half-read picture to work on.
    bool m_bReading = false;
    // What Convert takes: ID_CONVERT_SELECTION, ID_CONVERT_ALL or
    // ID_CONVERT_RECURSIVE, the last one chosen from its menu.
    unsigned short m_nConvertCmd;
    // The progress dialog of the run under way; NULL between runs.
    CProgressDlg* m_pRunProgress;
    // The run's sources that were not converted, and whether it stopped
    // because the output folder takes no more files.
    std::vector<std::string> m_notConverted;
    bool m_bOutputBroken;
    // Where the run makes its temporary files; NULL between runs.
    const OutputStaging* m_pRunStaging;
    // Exit was asked for during the run.
    bool m_bExitAfterRun;
    // Between runs: the file the list selected last. During a run: the
    // source being converted, then, once ConvertOneFile has named it, the
    // output's base name (no folder, no extension).
    char m_szCurrentFile[kPathBufferSize];
    // The parsing name of the folder the tree selected last (its path, for a
    // file-system folder); Convert All searches it and an empty output
    // folder box means it.
    char m_szBrowsedFolder[kPathBufferSize];
    // The bitmap the preview static shows (owned); replaced once the static
    // holds the next one.
    CBitmapHandle m_hPreviewBitmap;
    // The file last read for the preview.
    std::string m_previewedFile;
};
