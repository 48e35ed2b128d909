// The Convert commands: the selected files of the list, every supported
// file of the browsed folder, or of the folder and all folders below it,
// into GIF files in the output folder, with the progress dialog and the
// question before an existing file is replaced.
#include "mainwnd/MainDlg.h"

#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>
#include <cstring>
#include <set>

#include "base/ComRef.h"
#include "base/DialogItems.h"
#include "base/Handles.h"
#include "base/WinUtil.h"
#include "browser/FileListView.h"
#include "browser/Pidl.h"
#include "image/Extensions.h"
#include "image/GifWriter.h"
#include "image/ImageIO.h"
#include "image/MagickInc.h"
#include "convert/OutputNames.h"
#include "convert/OverwriteAsk.h"
#include "files/Paths.h"
#include "image/ProcessMemory.h"
#include "settings/SettingsNames.h"
#include "mainwnd/ProgressDlg.h"

// The answers that stand for the rest of one run.
int g_bYesToAll = 0;
int g_bNoToAll = 0;

namespace {

const char kCreateFolderQuestion[] = "The output folder does not exist. Do you want to create it?";
// The end of a run that left files unconverted.
const char kOutputBrokenText[] = "The output folder takes no more files (it is missing, not "
                                 "writable or full), so the conversion stopped.\n\n";
const char kOneNotConvertedText[] = "1 file was not converted:";
const char kManyNotConvertedFormat[] = "%u files were not converted:";
const char kMoreNotConvertedFormat[] = "\n... and %u more";
const size_t kNamesReported = 5;
// Longest path text the progress dialog shows.
const size_t kProgressPathShown = 40;

struct ConvertCommand
{
    WORD id;
    const char* caption;
};

const ConvertCommand kConvertCommands[] = {
    {ID_CONVERT_SELECTION, "Convert Selection"},
    {ID_CONVERT_ALL, "Convert All"},
    {ID_CONVERT_RECURSIVE, "Convert All Recursively"},
};

// folder + "\" + name, without doubling a separator the folder ends with.
// false when the result would not fit a path buffer.
bool JoinPath(const char* folder, const char* name, std::string& out)
{
    out = folder;
    if (!out.empty() && out.back() != '\\')
        out += '\\';
    out += name;
    return out.size() < kPathBufferSize;
}

// The output base name of `source` at `index` by the naming fields; 0 when
// they give no plain file name.
int MakeBatchBaseName(HWND hDlg, const char* source, int index, char* out, size_t outSize)
{
    char prefix[kPathBufferSize] = "";
    char suffix[kPathBufferSize] = "";
    SendMessageA(DialogControl(hDlg, IDC_MAIN_PREFIX), WM_GETTEXT, sizeof(prefix), (LPARAM)prefix);
    SendMessageA(DialogControl(hDlg, IDC_MAIN_SUFFIX), WM_GETTEXT, sizeof(suffix), (LPARAM)suffix);
    const int pattern = ComboSelection(hDlg, IDC_MAIN_NAME_PATTERN);
    const std::string name = SplitPath(source).name;
    return MakeOutputBaseName(prefix, name.c_str(), pattern, (unsigned)index, suffix, out, outSize);
}

// Shows a file's two paths in the progress dialog, which steps its bar and
// dispatches the pending messages.
void ShowFromTo(CProgressDlg* progress, const char* source, const char* output)
{
    char fromText[kPathBufferSize];
    CompactPath(source, fromText, sizeof(fromText), kProgressPathShown);
    char toText[kPathBufferSize];
    CompactPath(output, toText, sizeof(toText), kProgressPathShown);
    ::ShowWindow(progress->m_hWnd, SW_SHOWNORMAL);
    progress->SetFromTo(fromText, toText);
}

int NextSelected(HWND hList, int after)
{
    return (int)SendMessageA(hList, LVM_GETNEXTITEM, (WPARAM)after, MAKELPARAM(LVNI_SELECTED, 0));
}

// The parsing path of a list row into `path`; false when it has none.
bool GetRowPath(HWND hList, int item, IShellFolder* desktop, char* path)
{
    LVITEMA row = {};
    row.mask = LVIF_PARAM;
    row.iItem = item;
    if (desktop == NULL || !SendMessageA(hList, LVM_GETITEMA, 0, (LPARAM)&row))
        return false;
    const CFileListItem* record = (const CFileListItem*)row.lParam;
    return record != NULL && GetShellItemName(desktop, record->absolute.Get(), SHGDN_FORPARSING,
                                              path, kPathBufferSize) != 0;
}

// The parsing paths of the list's selected rows, in list order. A row
// without a path stands as an empty one, passed over with its index used up.
void SelectedRowPaths(HWND hList, std::vector<std::string>& out)
{
    CComRef<IShellFolder> desktop;
    // A failed call may leave anything in the slot: nothing to release.
    if (FAILED(SHGetDesktopFolder(desktop.Out())))
        desktop.Detach();
    char path[kPathBufferSize];
    for (int item = NextSelected(hList, -1); item != -1; item = NextSelected(hList, item))
        out.push_back(GetRowPath(hList, item, desktop.Get(), path) ? path : "");
}

// Entries read between two looks at the message queue.
const int kCollectEntriesPerDispatch = 256;

// Gathers the supported files under a folder for one run. Each real folder
// is searched once, however many links lead to it, so a link to a parent
// or to the folder itself adds nothing twice and cannot loop. With a
// progress dialog, the window keeps answering while the search runs, the
// dialog shows after a quiet moment, and its Cancel ends the search.
class FileCollector
{
public:
    FileCollector(std::vector<std::string>& list, CProgressDlg* progress)
        : m_list(list), m_progress(progress), m_start(GetTickCount())
    {
    }

    void Collect(const char* folder, bool recursive)
    {
        FolderIdentity identity;
        if (m_stopped || !GetFolderIdentity(folder, identity) || !m_visited.insert(identity).second)
            return;
        if (!KeepGoing(folder))
            return;
        std::string pattern;
        if (!JoinPath(folder, "*.*", pattern))
            return;
        WIN32_FIND_DATAA found;
        CFindHandle search(pattern.c_str(), found);
        if (!search.Valid())
            return;
        int entries = 0;
        do
        {
            if (++entries % kCollectEntriesPerDispatch == 0 && !KeepGoing(folder))
                break;
            if (strcmp(found.cFileName, ".") == 0 || strcmp(found.cFileName, "..") == 0)
                continue;
            // Paths that would not fit the conversion's buffers are left out.
            std::string path;
            if (!JoinPath(folder, found.cFileName, path))
                continue;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            {
                if (recursive)
                    Collect(path.c_str(), true);
            }
            else if (IsSupportedFile(path.c_str()))
                m_list.push_back(path);
        } while (!m_stopped && search.Next(found));
    }

private:
    bool KeepGoing(const char* folder)
    {
        if (m_progress == NULL || m_stopped)
            return !m_stopped;
        if (!m_shown && GetTickCount() - m_start >= kCollectQuietMs)
        {
            ::ShowWindow(m_progress->m_hWnd, SW_SHOWNORMAL);
            m_shown = true;
        }
        if (m_shown)
        {
            char shown[kPathBufferSize];
            CompactPath(folder, shown, sizeof(shown), kProgressPathShown);
            m_progress->SetSearching(shown);
        }
        m_stopped = !m_progress->DispatchPending();
        return !m_stopped;
    }

    std::vector<std::string>& m_list;
    CProgressDlg* m_progress;
    const DWORD m_start;
    std::set<FolderIdentity> m_visited;
    bool m_shown = false;
    bool m_stopped = false;
};

} // namespace

LRESULT CMainDlg::OnConvertMenu(WORD code, WORD id, HWND hCtl, BOOL& handled)
{
    for (const ConvertCommand& command : kConvertCommands)
    {
        if (command.id != id)
            continue;
        SetDlgItemTextA(m_hWnd, IDC_MAIN_CONVERT, command.caption);
        m_btnConvert.Redraw(TRUE);
        m_nConvertCmd = id;
        return OnConvert(code, id, hCtl, handled);
    }
    return 0;
}

LRESULT CMainDlg::OnConvert(WORD, WORD, HWND, BOOL&)
{
    // A run dispatches messages between files; a second run started then
    // would reset the standing answers and switch the preview reduction on
    // under the first one's feet.
    if (!m_bPreview)
        return 0;
    CProgressDlg progress;
    progress.Create(m_hWnd);
    g_bYesToAll = 0;
    g_bNoToAll = 0;
    m_notConverted.clear();
    m_bOutputBroken = false;
    m_pRunProgress = &progress;
    const int ran = ConvertFiles(&progress);
    m_pRunProgress = NULL;
    if (progress.m_hWnd != NULL)
        ::DestroyWindow(progress.m_hWnd);
    ReportNotConverted();
    if (m_bExitAfterRun)
    {
        // The Exit that came during the run, now that the run has stopped.
        m_bExitAfterRun = false;
        BOOL handled = TRUE;
        return OnExit(0, IDCANCEL, NULL, handled);
    }
    if (ran && IsItemChecked(m_hWnd, IDC_MAIN_EXPLORE))
    {
        char folder[kPathBufferSize] = "";
        GetDlgItemTextA(m_hWnd, IDC_MAIN_OUTPUT_FOLDER, folder, sizeof(folder));
        ShellExecuteA(NULL, "explore", folder, NULL, NULL, SW_SHOWNORMAL);
    }
    return 0;
}

bool CMainDlg::StopRunForExit()
{
    if (m_pRunProgress == NULL)
        return false;
    m_bExitAfterRun = true;
    m_pRunProgress->SetRunning(0);
    return true;
}

void CMainDlg::ReportNotConverted()
{
    if (m_notConverted.empty())
        return;
    std::string text;
    if (m_bOutputBroken)
        text = kOutputBrokenText;
    char line[kPathBufferSize];
    const size_t count = m_notConverted.size();
    if (count == 1)
        SafeCopy(line, kOneNotConvertedText);
    else
        SafeFormat(line, sizeof(line), kManyNotConvertedFormat, (unsigned)count);
    text += line;
    for (size_t i = 0; i < count && i < kNamesReported; ++i)
    {
        const PathParts parts = SplitPath(m_notConverted[i].c_str());
        text += "\n" + parts.name + parts.ext;
    }
    if (count > kNamesReported)
    {
        SafeFormat(line, sizeof(line), kMoreNotConvertedFormat, (unsigned)(count - kNamesReported));
        text += line;
    }
    MessageBoxA(m_hWnd, text.c_str(), kProductName,
                MB_OK | (m_bOutputBroken ? MB_ICONERROR : MB_ICONWARNING));
    m_notConverted.clear();
}

int CMainDlg::ConvertFiles(CProgressDlg* progress)
{
    char output[kPathBufferSize] = "";
    if (!SettleOutputFolder(output))
        return 0;
    m_bPreview = 0;

    // The sources of the run, in its order.
    std::vector<std::string> sources;
    if (m_nConvertCmd == ID_CONVERT_SELECTION)
        SelectedRowPaths(GetListView(), sources);
    else if (m_nConvertCmd == ID_CONVERT_ALL || m_nConvertCmd == ID_CONVERT_RECURSIVE)
        CollectFiles(sources, m_szBrowsedFolder, m_nConvertCmd == ID_CONVERT_RECURSIVE);

    ConvertSources(output, sources, progress);
    progress->SetRunning(1);
    m_bPreview = 1;
    ShowFocusedFileAgain();
    ReturnFreedMemory();
    return 1;
}

bool CMainDlg::SettleOutputFolder(char (&output)[kPathBufferSize])
{
    // A longer text would be cut into some other folder's name.
    if (!SafeCopy(output, ItemText(m_hWnd, IDC_MAIN_OUTPUT_FOLDER).c_str()))
        return false;
    if (output[0] == '\0')
    {
        if (!IsDirectory(m_szBrowsedFolder))
            return false;
        SafeCopy(output, m_szBrowsedFolder);
    }
    if (!IsDirectory(output))
    {
        if (MessageBoxA(m_hWnd, kCreateFolderQuestion, kProductName,
                        MB_ICONQUESTION | MB_OKCANCEL) != IDOK)
            return false;
        CreateDirectoryTree(output);
    }
    SetDlgItemTextA(m_hWnd, IDC_MAIN_OUTPUT_FOLDER, output);
    return true;
}

void CMainDlg::ConvertSources(const char* output, const std::vector<std::string>& sources,
                              CProgressDlg* progress)
{
    progress->SetRange((int)sources.size());
    // Made after the search, so a run into a folder below the browsed one
    // never meets it.
    OutputStaging staging(output);
    m_pRunStaging = &staging;
    size_t next = 0;
    try
    {
        for (; next < sources.size() && progress->IsRunning(); ++next)
        {
            if (sources[next].empty())
                continue;
            SafeCopy(m_szCurrentFile, sources[next].c_str());
            if (!ConvertOneFile(output, (int)next + 1, progress))
            {
                ++next;
                break;
            }
        }
    }
    catch (...)
    {
        // Whatever else escaped the file's conversion ends the run; what was
        // written stays, and the file is reported.
        if (next < sources.size())
            m_notConverted.push_back(sources[next++]);
    }
    // Nothing more can be written: the files not tried are not converted.
    if (m_bOutputBroken)
        for (; next < sources.size(); ++next)
            if (!sources[next].empty())
                m_notConverted.push_back(sources[next]);
    m_pRunStaging = NULL;
}

int CMainDlg::ConvertOneFile(const char* outputFolder, int index, CProgressDlg* progress)
{
    char source[kPathBufferSize];
    SafeCopy(source, m_szCurrentFile);
    char base[kPathBufferSize];
    std::string output;
    const bool fits =
        MakeBatchBaseName(m_hWnd, source, index, base, sizeof(base)) &&
        JoinPath(outputFolder, (std::string(base) + kOutputExtension).c_str(), output);
    SafeCopy(m_szCurrentFile, base);
    ShowFromTo(progress, source, fits ? output.c_str() : "");
    // The window is to close: no question and no further file.
    if (m_bExitAfterRun)
        return 0;
    // A name that does not fit a path is not cut into another one, and one
    // that would leave the output folder or name a device is not written.
    if (!fits)
    {
        m_notConverted.push_back(source);
        return 1;
    }

    // One look-up answers both whether to ask and whether the target is
    // read-only.
    OutputWrite how;
    how.attributesKnown = true;
    if (m_pRunStaging != NULL)
        how.stagingFolder = m_pRunStaging->Folder();
    OverwriteRunAnswers answers = {g_bYesToAll, g_bNoToAll};
    const OverwriteDecision decision =
        DecideOverwrite(output.c_str(), source, &how.attributes, &answers);
    if (decision != kOverwriteWrite)
        return decision == kOverwriteStop ? 0 : 1;
    return ConvertToOutput(source, output.c_str(), how, progress);
}

int CMainDlg::ConvertToOutput(const char* source, const char* output, const OutputWrite& how,
                              CProgressDlg* progress)
{
    // The read keeps the windows answering, so that Cancel and Exit stop a
    // long one: the run ends there, and the file counts as not reached.
    const int loaded =
        LoadSourceImage(source, [progress] { return progress->DispatchPending() != 0; });
    if (!loaded && !progress->IsRunning())
        return 0;
    // A source that cannot be read, or whose stages the library gave up on
    // (a size beyond its limits), is passed over; the run goes on.
    if (!loaded || m_pStage2 == NULL)
    {
        m_notConverted.push_back(source);
        return 1;
    }
    // The source is in memory and the replace is atomic, so an output that
    // is its own source is never lost.
    try
    {
        WriteGif(*m_pStage2, output, g_GifOptions, how);
    }
    catch (const OutputFolderError&)
    {
        m_notConverted.push_back(source);
        m_bOutputBroken = true;
        return 0;
    }
    catch (const std::exception&)
    {
        // This target alone: read-only, a folder, or the library's limits.
        m_notConverted.push_back(source);
    }
    return 1;
}

void CMainDlg::BuildOutputName(char* path, int index)
{
    char base[kPathBufferSize];
    MakeBatchBaseName(m_hWnd, path, index, base, sizeof(base));
    SafeCopy(path, kPathBufferSize, base);
}

void CMainDlg::CollectFiles(std::vector<std::string>& list, const char* folder, bool recursive)
{
    // The browsed folder can change while the search dispatches messages.
    const std::string top = folder != NULL ? folder : "";
    FileCollector(list, m_pRunProgress).Collect(top.c_str(), recursive);
}
