// The installer under wine: silent installation, the controls' registration,
// Notewell started by the installed login control through the system's
// search path, the notewell: scheme of pages in other browsers, upgrading and uninstalling while Notewell is connected, and
// what the uninstaller leaves behind. The installer is a program of its own
// bitness: on 64-bit Windows a 32-bit one installs into the 32-bit program
// folder and writes the 32-bit view of the registry, so the tests ask Windows
// where a program of the installer's bitness puts things.
#include <winsock2.h>
#include <windows.h>
#include <oleauto.h>
#include <knownfolders.h>
#include <shellapi.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "dev_server.h"
#include "tray_messages.h"
#include "text_conversion.h"
#include "win_test_support.h"

using namespace testing_support;

namespace {

std::wstring WideFromAnsi(const std::string& s) { return Widen(CP_ACP, s); }

constexpr char kAddress[] = "127.1.253.70";  // the server's port 5210 on an address of our own
const std::wstring kScriptingCategory = L"{7DD95801-9882-11CF-9FA9-00AA006C42C4}";
const std::wstring kInitializingCategory = L"{7DD95802-9882-11CF-9FA9-00AA006C42C4}";
const wchar_t kEnvironmentKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";
const wchar_t kProductKey[] = L"Software\\Corvala";
const wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Corvala";
const wchar_t kSchemeKey[] = L"notewell";

struct ControlExpectation {
    const wchar_t* progId;
    const wchar_t* clsid;
    const wchar_t* typeLib;
    const wchar_t* file;
};
const ControlExpectation kControls[] = {
    {L"GATEKIN.GatekinCtrl.1", L"{89887BF5-4668-4728-8FBF-9819AFFCC72F}", L"{606EE1B9-74DD-4718-9B1F-9F4B72535654}",
     L"Gatekin.ocx"},
    {L"ROSTERLY.RosterlyCtrl.1", L"{057D5895-6169-4250-837A-9595709E3D3C}", nullptr, L"Rosterly.ocx"},
};
const wchar_t* const kInstalledFiles[] = {L"Notewell.exe", L"Gatekin.ocx",  L"Rosterly.ocx",
                                          L"RqChat.wav",   L"MsgMusic.wav", L"Uninstall.exe"};

// The installer's bitness, from the machine field of its PE header.
bool InstallerIs32Bit() {
    HANDLE file = ::CreateFileW(WideFromAnsi(HostToWindowsPath(CORVALA_SETUP)).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    IMAGE_DOS_HEADER dos{};
    IMAGE_FILE_HEADER header{};
    DWORD got = 0, signature = 0;
    bool ok = ::ReadFile(file, &dos, sizeof dos, &got, nullptr) && got == sizeof dos &&
              ::SetFilePointer(file, dos.e_lfanew, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER &&
              ::ReadFile(file, &signature, sizeof signature, &got, nullptr) && got == sizeof signature &&
              ::ReadFile(file, &header, sizeof header, &got, nullptr) && got == sizeof header;
    ::CloseHandle(file);
    return ok && header.Machine == IMAGE_FILE_MACHINE_I386;
}

// The registry view the installer writes.
REGSAM InstallerView() { return InstallerIs32Bit() ? KEY_WOW64_32KEY : KEY_WOW64_64KEY; }

// Both views on 64-bit Windows (the browsers of either bitness), else the one.
std::vector<REGSAM> BrowserViews() {
    BOOL wow64 = FALSE;
    const bool windows64 = sizeof(void*) == 8 || (::IsWow64Process(::GetCurrentProcess(), &wow64) && wow64);
    if (!windows64) return {0};
    return {KEY_WOW64_32KEY, KEY_WOW64_64KEY};
}

std::optional<std::wstring> RegValue(HKEY root, const std::wstring& key, const wchar_t* name = nullptr,
                                     REGSAM view = InstallerView()) {
    HKEY h = nullptr;
    if (::RegOpenKeyExW(root, key.c_str(), 0, KEY_READ | view, &h) != ERROR_SUCCESS) return std::nullopt;
    wchar_t buffer[4096] = {};
    DWORD size = sizeof buffer - sizeof(wchar_t);
    const LONG result = ::RegGetValueW(h, nullptr, name, RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr,
                                       buffer, &size);
    ::RegCloseKey(h);
    if (result != ERROR_SUCCESS) return std::nullopt;
    return std::wstring(buffer);
}

bool KeyExists(HKEY root, const std::wstring& key, REGSAM view = InstallerView()) {
    HKEY h = nullptr;
    if (::RegOpenKeyExW(root, key.c_str(), 0, KEY_READ | view, &h) != ERROR_SUCCESS) return false;
    ::RegCloseKey(h);
    return true;
}

bool FileExists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::wstring Lower(std::wstring s) {
    for (auto& c : s) c = static_cast<wchar_t>(::towlower(c));
    return s;
}

// Where Windows puts programs of the installer's bitness: "Program Files
// (x86)" for a 32-bit one on 64-bit Windows, "Program Files" otherwise.
std::wstring DefaultInstallDir() {
    PWSTR folder = nullptr;
    const HRESULT hr = ::SHGetKnownFolderPath(InstallerIs32Bit() ? FOLDERID_ProgramFilesX86 : FOLDERID_ProgramFilesX64,
                                              0, nullptr, &folder);
    std::wstring dir = SUCCEEDED(hr) && folder ? std::wstring(folder) + L"\\Corvala" : std::wstring();
    ::CoTaskMemFree(folder);
    return dir;
}

// The machine's search path as a program started after the installation
// (a newly opened browser) gets it.
std::wstring MachineSearchPath() {
    const std::wstring raw = RegValue(HKEY_LOCAL_MACHINE, kEnvironmentKey, L"Path").value_or(L"");
    wchar_t expanded[8192] = {};
    ::ExpandEnvironmentStringsW(raw.c_str(), expanded, 8191);
    return expanded;
}

int CountPathEntries(const std::wstring& path, const std::wstring& entry) {
    int n = 0;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find(L';', start);
        if (end == std::wstring::npos) end = path.size();
        if (Lower(path.substr(start, end - start)) == Lower(entry)) ++n;
        start = end + 1;
    }
    return n;
}

std::wstring SetupPath() { return WideFromAnsi(HostToWindowsPath(CORVALA_SETUP)); }
std::wstring Quote(const std::wstring& s) { return L"\"" + s + L"\""; }

// The installer's process image of Notewell, or empty.
std::wstring ImageOfWindowProcess(HWND window) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!process) return L"";
    wchar_t image[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    ::QueryFullProcessImageNameW(process, 0, image, &size);
    ::CloseHandle(process);
    return image;
}

// The running processes whose image is this file.
std::vector<DWORD> ProcessesOf(const std::wstring& image) {
    std::vector<DWORD> found;
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return found;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32FirstW(snapshot, &entry); more; more = ::Process32NextW(snapshot, &entry)) {
        if (Lower(entry.szExeFile) != L"notewell.exe") continue;
        HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID);
        if (!process) continue;
        wchar_t path[MAX_PATH] = {};
        DWORD size = MAX_PATH;
        if (::QueryFullProcessImageNameW(process, 0, path, &size) && Lower(path) == Lower(image))
            found.push_back(entry.th32ProcessID);
        ::CloseHandle(process);
    }
    ::CloseHandle(snapshot);
    return found;
}

// Ends a Notewell as the login control would, or by force when it has no window yet.
void EndNotewellProcess(DWORD pid) {
    HANDLE process = ::OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid);
    if (!process) return;
    HWND tray = ::FindWindowA(nullptr, kTrayWindowTitle);
    DWORD owner = 0;
    if (tray) ::GetWindowThreadProcessId(tray, &owner);
    if (tray && owner == pid) ::SendMessageTimeoutA(tray, WM_TRAY_CLOSE, 0, 0, SMTO_ABORTIFHUNG, 5000, nullptr);
    if (::WaitForSingleObject(process, 5000) != WAIT_OBJECT_0) {
        ::TerminateProcess(process, 1);
        ::WaitForSingleObject(process, 5000);
    }
    ::CloseHandle(process);
}

class InstallerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(nullptr, ::FindWindowA(nullptr, kTrayWindowTitle)) << "another Notewell runs on this desktop";
        ASSERT_FALSE(dir.empty()) << "Windows names no program folder for the installer's bitness";
        Uninstall();  // what an earlier, failed run may have left
        ASSERT_FALSE(FileExists(dir + L"\\Notewell.exe"));
        devserver::DevServerOptions options;
        options.bindAddress = kAddress;
        options.logSink = [](const std::string&) {};
        server = std::make_unique<devserver::DevServer>(options);
        std::string error;
        ASSERT_TRUE(server->Start(&error)) << error;
    }
    void TearDown() override {
        if (HWND tray = ::FindWindowA(nullptr, kTrayWindowTitle)) ::SendMessageA(tray, WM_TRAY_CLOSE, 0, 0);
        PumpUntil([] { return ::FindWindowA(nullptr, kTrayWindowTitle) == nullptr; }, 10000);
        // One started by a link may still wait for its page, without a window.
        for (DWORD pid : ProcessesOf(dir + L"\\Notewell.exe")) EndNotewellProcess(pid);
        Uninstall();
        if (server) server->Stop();
    }

    std::optional<DWORD> Install() {
        return RunToEnd(Quote(SetupPath()) + L" /S", {}, 120000);
    }
    // The uninstaller runs as a copy of itself from the temporary folder and
    // ends its first process at once: done is when its own file and then the
    // product's key, the last thing it removes, are gone.
    bool Uninstall() {
        const std::wstring uninstaller = dir + L"\\Uninstall.exe";
        if (!FileExists(uninstaller)) return true;
        if (!RunToEnd(Quote(uninstaller) + L" /S", {}, 30000)) return false;
        return PumpUntil([&] { return !FileExists(uninstaller) && !KeyExists(HKEY_LOCAL_MACHINE, kProductKey); },
                         60000);
    }
    // Notewell as Gatekin starts it, from the installed program folder.
    std::unique_ptr<ChildProcess> StartInstalledNotewell(const std::string& member) {
        ChildProcess::Options options;
        options.waitForInputIdle = true;
        return std::make_unique<ChildProcess>(
            Quote(dir + L"\\Notewell.exe") + L" " + WideFromAnsi(member + "/pw/M/web-session/" + kAddress), options);
    }

    const std::wstring dir = DefaultInstallDir();
    std::unique_ptr<devserver::DevServer> server;
};

// What the member sees in the installer's file properties.
TEST(InstallerFile, PropertiesShowTheVersionOfTheDeliverables) {
    const std::wstring path = SetupPath();
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::vector<char> info(size);
    ASSERT_TRUE(::GetFileVersionInfoW(path.c_str(), 0, size, info.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(::VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(MAKELONG(0, 1), fixed->dwFileVersionMS);
    EXPECT_EQ(MAKELONG(46, 0), fixed->dwFileVersionLS);
    wchar_t* text = nullptr;
    ASSERT_TRUE(::VerQueryValueW(info.data(), L"\\StringFileInfo\\041204b0\\FileVersion",
                                 reinterpret_cast<void**>(&text), &length));
    EXPECT_EQ(std::wstring(L"1.0.0.46"), text);
}

TEST_F(InstallerTest, SilentInstallRegistersBothControlsAndTheLoginControlStartsNotewell) {
    ASSERT_EQ(std::optional<DWORD>(0), Install());
    // The installer's own record names the folder Windows gives its bitness.
    EXPECT_EQ(Lower(dir), Lower(RegValue(HKEY_LOCAL_MACHINE, kProductKey, L"InstallDir").value_or(L"?")));
    for (const wchar_t* file : kInstalledFiles) EXPECT_TRUE(FileExists(dir + L"\\" + file)) << file;

    for (const auto& c : kControls) {
        SCOPED_TRACE(c.progId);
        EXPECT_EQ(std::wstring(c.clsid), RegValue(HKEY_CLASSES_ROOT, std::wstring(c.progId) + L"\\CLSID").value_or(L"?"));
        const std::wstring clsidKey = std::wstring(L"CLSID\\") + c.clsid;
        EXPECT_EQ(Lower(dir + L"\\" + c.file),
                  Lower(RegValue(HKEY_CLASSES_ROOT, clsidKey + L"\\InprocServer32").value_or(L"?")));
        const std::optional<std::wstring> libid = RegValue(HKEY_CLASSES_ROOT, clsidKey + L"\\TypeLib");
        ASSERT_TRUE(libid.has_value());
        if (c.typeLib) {
            EXPECT_EQ(std::wstring(c.typeLib), *libid);
        }
        GUID lib{};
        ASSERT_EQ(S_OK, ::CLSIDFromString(libid->c_str(), &lib));
        ITypeLib* typeLib = nullptr;
        EXPECT_EQ(S_OK, ::LoadRegTypeLib(lib, 1, 0, 0x0409, &typeLib));
        if (typeLib) typeLib->Release();
    }
    EXPECT_EQ(L"1.0.0.46", RegValue(HKEY_LOCAL_MACHINE, kUninstallKey, L"DisplayVersion").value_or(L"?"));
    EXPECT_EQ(1, CountPathEntries(MachineSearchPath(), dir));

    // The page's login control, in a browser opened after the installation:
    // it finds Notewell.exe by the system's search for programs.
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    ChildProcess::Options options;
    options.environmentPath = MachineSearchPath();
    options.directory = temp;
    ChildProcess page(WideFromAnsi(HostToWindowsPath(CONTAINER_EXE)) +
                          L" GATEKIN.GatekinCtrl.1 --param ID=member1 --param PWD=pw --param SEX=M"
                          L" --param SESSIONID=S1 --param SERVERIP=" +
                          WideFromAnsi(kAddress) + L" --activate --set LogStateProc=0 --close",
                      options);
    ASSERT_TRUE(page.Started());
    EXPECT_EQ(std::optional<DWORD>(0), page.Wait(30000));
    ASSERT_TRUE(PumpUntil([&] { return server->WaitForLogin("member1", 0).has_value(); }, 15000));
    HWND tray = ::FindWindowA(nullptr, kTrayWindowTitle);
    ASSERT_NE(nullptr, tray);
    EXPECT_EQ(Lower(dir + L"\\Notewell.exe"), Lower(ImageOfWindowProcess(tray)));
}

TEST_F(InstallerTest, InstallingOverARunningNotewellLogsItOutOnceAndReplacesItsFiles) {
    ASSERT_EQ(std::optional<DWORD>(0), Install());
    auto tray = StartInstalledNotewell("member2");
    ASSERT_TRUE(tray->Started());
    ASSERT_TRUE(PumpUntil([&] { return server->WaitForLogin("member2", 0).has_value(); }, 15000));

    // Mark the installed files as old: the upgrade must put its own in place.
    const FILETIME old = {0x00000000, 0x01C07385};  // January 2001
    for (const wchar_t* file : {L"Notewell.exe", L"Gatekin.ocx", L"Rosterly.ocx"}) {
        HANDLE h = ::CreateFileW((dir + L"\\" + file).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, h) << file;
        ::SetFileTime(h, nullptr, nullptr, &old);
        ::CloseHandle(h);
    }

    ASSERT_EQ(std::optional<DWORD>(0), Install());
    EXPECT_TRUE(tray->Wait(10000).has_value()) << "Notewell still runs after the upgrade";
    EXPECT_TRUE(PumpUntil([&] { return server->CountReceived(devserver::CMD_LOGOUT, "member2") >= 1; }, 5000));
    PumpFor(300);
    EXPECT_EQ(1u, server->CountReceived(devserver::CMD_LOGOUT, "member2"));
    for (const wchar_t* file : {L"Notewell.exe", L"Gatekin.ocx", L"Rosterly.ocx"}) {
        WIN32_FILE_ATTRIBUTE_DATA data{};
        ASSERT_TRUE(::GetFileAttributesExW((dir + L"\\" + file).c_str(), GetFileExInfoStandard, &data)) << file;
        EXPECT_NE(old.dwHighDateTime, data.ftLastWriteTime.dwHighDateTime) << file << " was not replaced";
        EXPECT_FALSE(FileExists(dir + L"\\" + file + L".new")) << file;
    }
    // In place: the same folder, on the search path once.
    EXPECT_EQ(Lower(dir), Lower(RegValue(HKEY_LOCAL_MACHINE, kProductKey, L"InstallDir").value_or(L"?")));
    EXPECT_EQ(1, CountPathEntries(MachineSearchPath(), dir));
}

TEST_F(InstallerTest, UninstallingWhileNotewellIsConnectedLogsOutOnceAndLeavesNothingOfOurs) {
    ASSERT_EQ(std::optional<DWORD>(0), Install());
    auto tray = StartInstalledNotewell("member3");
    ASSERT_TRUE(tray->Started());
    ASSERT_TRUE(PumpUntil([&] { return server->WaitForLogin("member3", 0).has_value(); }, 15000));

    ASSERT_TRUE(Uninstall());
    EXPECT_TRUE(tray->Wait(10000).has_value()) << "Notewell still runs after the uninstallation";
    EXPECT_TRUE(PumpUntil([&] { return server->CountReceived(devserver::CMD_LOGOUT, "member3") >= 1; }, 5000));
    PumpFor(300);
    EXPECT_EQ(1u, server->CountReceived(devserver::CMD_LOGOUT, "member3"));

    EXPECT_FALSE(FileExists(dir)) << "the program folder is left";
    for (const auto& c : kControls) {
        SCOPED_TRACE(c.progId);
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, c.progId));
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, std::wstring(L"CLSID\\") + c.clsid));
        // Type libraries are kept in one place for both bitnesses: what goes
        // is the installer's own registration, not another bitness's.
        if (c.typeLib) {
            EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, std::wstring(L"TypeLib\\") + c.typeLib + L"\\1.0\\409\\" +
                                                          (InstallerIs32Bit() ? L"win32" : L"win64")));
        }
    }
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    EXPECT_EQ(0, CountPathEntries(MachineSearchPath(), dir));
    // Other programs' controls may still rely on the two categories.
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, L"Component Categories\\" + kScriptingCategory));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, L"Component Categories\\" + kInitializingCategory));
}

// Browsers without ActiveX start Notewell through a notewell: link.
TEST_F(InstallerTest, TheNotewellSchemeIsRegisteredForTheInstalledNotewellAndUninstallRemovesIt) {
    ASSERT_EQ(std::optional<DWORD>(0), Install());
    const std::wstring program = dir + L"\\Notewell.exe";
    for (REGSAM view : BrowserViews()) {
        SCOPED_TRACE(view == KEY_WOW64_64KEY ? "64-bit view" : "32-bit view");
        EXPECT_EQ(L"URL:Notewell", RegValue(HKEY_CLASSES_ROOT, kSchemeKey, nullptr, view).value_or(L"?"));
        EXPECT_EQ(L"", RegValue(HKEY_CLASSES_ROOT, kSchemeKey, L"URL Protocol", view).value_or(L"?"));
        EXPECT_EQ(Lower(Quote(program) + L",0"),
                  Lower(RegValue(HKEY_CLASSES_ROOT, std::wstring(kSchemeKey) + L"\\DefaultIcon", nullptr, view)
                            .value_or(L"?")));
        EXPECT_EQ(Lower(Quote(program) + L" --url \"%1\""),
                  Lower(RegValue(HKEY_CLASSES_ROOT, std::wstring(kSchemeKey) + L"\\shell\\open\\command", nullptr,
                                 view)
                            .value_or(L"?")));
    }
    ASSERT_TRUE(Uninstall());
    for (REGSAM view : BrowserViews()) EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kSchemeKey, view));
}

// The shell opens a page's link as a browser hands it over. Notewell then
// waits for the page to give it the member's identity; the test ends it.
TEST_F(InstallerTest, ANotewellLinkOpenedThroughTheShellStartsTheInstalledNotewell) {
    ASSERT_EQ(std::optional<DWORD>(0), Install());
    const std::wstring program = dir + L"\\Notewell.exe";
    ASSERT_TRUE(ProcessesOf(program).empty());
    const auto opened = reinterpret_cast<INT_PTR>(
        ::ShellExecuteW(nullptr, L"open", L"notewell:start?t=abc", nullptr, nullptr, SW_SHOWNORMAL));
    EXPECT_GT(opened, 32) << "ShellExecute refused the link";
    std::vector<DWORD> started;
    EXPECT_TRUE(PumpUntil([&] { return !(started = ProcessesOf(program)).empty(); }, 15000))
        << "no Notewell.exe of the program folder runs";
    EXPECT_EQ(1u, started.size());
    for (DWORD pid : started) EndNotewellProcess(pid);
    EXPECT_TRUE(PumpUntil([&] { return ProcessesOf(program).empty(); }, 10000));
}

// A browser that still has a control loaded keeps its file in use.
TEST_F(InstallerTest, AControlInUseIsReplacedAtRestartAndUninstallLeavesNoWaitingCopy) {
    ASSERT_EQ(std::optional<DWORD>(0), Install());
    HMODULE loaded = ::LoadLibraryW((dir + L"\\Rosterly.ocx").c_str());
    ASSERT_NE(nullptr, loaded);
    EXPECT_EQ(std::optional<DWORD>(0), Install());
    EXPECT_TRUE(FileExists(dir + L"\\Rosterly.ocx.new")) << "the new copy waits for the restart";
    ::FreeLibrary(loaded);

    ASSERT_TRUE(Uninstall());
    EXPECT_FALSE(FileExists(dir + L"\\Rosterly.ocx.new"));
    EXPECT_FALSE(FileExists(dir)) << "the program folder is left";
}

TEST_F(InstallerTest, UninstallKeepsWhatTheMemberPutIntoTheProgramFolder) {
    ASSERT_EQ(std::optional<DWORD>(0), Install());
    const std::wstring own = dir + L"\\memo.txt";
    HANDLE h = ::CreateFileW(own.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    ::CloseHandle(h);

    ASSERT_TRUE(Uninstall());
    EXPECT_TRUE(FileExists(own));
    for (const wchar_t* file : kInstalledFiles) EXPECT_FALSE(FileExists(dir + L"\\" + file)) << file;
    ::DeleteFileW(own.c_str());
    ::RemoveDirectoryW(dir.c_str());
}

}  // namespace
