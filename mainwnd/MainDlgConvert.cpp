// The Convert commands: the selected files of the list, every supported
// file of the browsed folder, or of the folder and all folders below it,
// into GIF files in the output folder, with the progress dialog and the
// question before an existing file is replaced.
#include "mainwnd/MainDlg.h"

#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>
#include <cstring>

#include "browser/FileListView.h"
#include "browser/Pidl.h"
#include "controls/WinUtil.h"
#include "core/Extensions.h"
#include "core/GifWriter.h"
#include "core/MagickInc.h"
#include "core/OverwriteDlg.h"
#include "core/Paths.h"
#include "core/ProcessMemory.h"
#include "core/QuietConverter.h"
#include "mainwnd/ProgressDlg.h"

// The answers that stand for the rest of one run.
int g_bYesToAll = 0;
int g_bNoToAll = 0;

namespace {

const char kProductName[] = "Tolvex";
const char kCreateFolderQuestion[] = "The output folder does not exist. Do you want to create it?";
const char kGifExtension[] = ".gif";
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

// The output base name of `source` at `index` by the naming fields.
int MakeBatchBaseName(HWND hDlg, const char* source, int index, char* out, size_t outSize)
{
    char prefix[kPathBufferSize] = "";
    char suffix[kPathBufferSize] = "";
    SendMessageA(DialogControl(hDlg, IDC_MAIN_PREFIX), WM_GETTEXT, sizeof(prefix), (LPARAM)prefix);
    SendMessageA(DialogControl(hDlg, IDC_MAIN_SUFFIX), WM_GETTEXT, sizeof(suffix), (LPARAM)suffix);
    const int pattern = (int)SendMessageA(DialogControl(hDlg, IDC_MAIN_NAME_PATTERN), CB_GETCURSEL, 0, 0);
    const std::string name = SplitPath(source).name;
    return MakeOutputBaseName(prefix, name.c_str(), pattern, (unsigned)index, suffix, out, outSize);
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
    return record != NULL &&
           GetShellItemName(desktop, record->absolute.Get(), SHGDN_FORPARSING, path, kPathBufferSize) != 0;
}

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
    const int ran = ConvertFiles(&progress);
    if (progress.m_hWnd != NULL)
        ::DestroyWindow(progress.m_hWnd);
    if (ran && IsDlgButtonChecked(m_hWnd, IDC_MAIN_EXPLORE) != BST_UNCHECKED)
    {
        char folder[kPathBufferSize] = "";
        GetDlgItemTextA(m_hWnd, IDC_MAIN_OUTPUT_FOLDER, folder, sizeof(folder));
        ShellExecuteA(NULL, "explore", folder, NULL, NULL, SW_SHOWNORMAL);
    }
    return 0;
}

int CMainDlg::ConvertFiles(CProgressDlg* progress)
{
    // A longer text would be cut into some other folder's name.
    char output[kPathBufferSize] = "";
    if (!SafeCopy(output, GetWindowTextString(GetDlgItem(IDC_MAIN_OUTPUT_FOLDER)).c_str()))
        return 0;
    if (output[0] == '\0')
    {
        if (!IsDirectory(m_szBrowsedFolder))
            return 0;
        SafeCopy(output, m_szBrowsedFolder);
    }
    if (!IsDirectory(output))
    {
        if (MessageBoxA(m_hWnd, kCreateFolderQuestion, kProductName, MB_ICONQUESTION | MB_OKCANCEL) != IDOK)
            return 0;
        CreateDirectoryTree(output);
    }
    SetDlgItemTextA(m_hWnd, IDC_MAIN_OUTPUT_FOLDER, output);
    m_bPreview = 0;

    IShellFolder* desktop = NULL;
    try
    {
        if (m_nConvertCmd == ID_CONVERT_SELECTION)
        {
            if (FAILED(SHGetDesktopFolder(&desktop)))
                desktop = NULL;
            const HWND hList = GetListView();
            int count = 0;
            for (int item = NextSelected(hList, -1); item != -1; item = NextSelected(hList, item))
                ++count;
            progress->SetRange(count);
            int index = 1;
            for (int item = NextSelected(hList, -1); item != -1 && progress->IsRunning();
                 item = NextSelected(hList, item), ++index)
            {
                // A row without a path is passed over; its index is used up.
                if (GetRowPath(hList, item, desktop, m_szCurrentFile) &&
                    !ConvertOneFile(output, index, progress))
                    break;
            }
        }
        else if (m_nConvertCmd == ID_CONVERT_ALL || m_nConvertCmd == ID_CONVERT_RECURSIVE)
        {
            std::vector<std::string> paths;
            CollectFiles(paths, m_szBrowsedFolder, m_nConvertCmd == ID_CONVERT_RECURSIVE);
            progress->SetRange((int)paths.size());
            int index = 1;
            for (const std::string& path : paths)
            {
                if (!progress->IsRunning())
                    break;
                SafeCopy(m_szCurrentFile, path.c_str());
                if (!ConvertOneFile(output, index, progress))
                    break;
                ++index;
            }
        }
    }
    catch (...)
    {
        // The image library's failure ends the run without a word; what was
        // written stays.
    }
    progress->SetRunning(1);
    m_bPreview = 1;
    ShowFocusedFileAgain();
    if (desktop != NULL)
        desktop->Release();
    ReturnFreedMemory();
    return 1;
}

int CMainDlg::ConvertOneFile(const char* outputFolder, int index, CProgressDlg* progress)
{
    char source[kPathBufferSize];
    SafeCopy(source, m_szCurrentFile);
    char fromText[kPathBufferSize];
    CompactPath(source, fromText, sizeof(fromText), kProgressPathShown);

    char base[kPathBufferSize];
    std::string output;
    const bool fits = MakeBatchBaseName(m_hWnd, source, index, base, sizeof(base)) &&
                      JoinPath(outputFolder, (std::string(base) + kGifExtension).c_str(), output);
    SafeCopy(m_szCurrentFile, base);
    char toText[kPathBufferSize];
    CompactPath(fits ? output.c_str() : "", toText, sizeof(toText), kProgressPathShown);

    ::ShowWindow(progress->m_hWnd, SW_SHOWNORMAL);
    progress->SetFromTo(fromText, toText);
    // A name that does not fit a path is not cut into another one.
    if (!fits)
        return 1;

    if (PathExists(output.c_str()) != 0 && !g_bYesToAll)
    {
        if (g_bNoToAll)
            return 1;
        COverwriteDlg question(output.c_str(), kOverwriteBatchMode);
        switch (question.DoModal(::GetActiveWindow()))
        {
        case IDC_OVERWRITE_CANCEL:
            return 0;
        case IDC_OVERWRITE_YESALL:
            g_bYesToAll = 1;
            break;
        case IDC_OVERWRITE_NO:
            return 1;
        case IDC_OVERWRITE_NOALL:
            g_bNoToAll = 1;
            return 1;
        default:
            break;
        }
    }

    if (!LoadSourceImage(source))
        return 1;
    // A source that was read but whose stages failed: the library gave up on
    // it, which ends the run as its errors do.
    if (m_pStage2 == NULL)
        return 0;
    // The source is in memory and the replace is atomic, so an output that
    // is its own source is never lost.
    WriteGif(*m_pStage2, output.c_str());
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
    std::string pattern;
    if (!JoinPath(folder, "*.*", pattern))
        return;
    WIN32_FIND_DATAA found;
    HANDLE hFind = FindFirstFileA(pattern.c_str(), &found);
    if (hFind == INVALID_HANDLE_VALUE)
        return;
    do
    {
        if (strcmp(found.cFileName, ".") == 0 || strcmp(found.cFileName, "..") == 0)
            continue;
        // Paths that would not fit the conversion's buffers are left out.
        std::string path;
        if (!JoinPath(folder, found.cFileName, path))
            continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        {
            if (recursive)
                CollectFiles(list, path.c_str(), true);
        }
        else if (IsSupportedFile(path.c_str()))
            list.push_back(path);
    } while (FindNextFileA(hFind, &found));
    FindClose(hFind);
}
