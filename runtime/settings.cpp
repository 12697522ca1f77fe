// Settings, paths and work files: SetUpPaths, SETUP.INI section SETTINGS, the stand-alone
// program's STARTUP section, and the work-file clean-up at exit.
#include "runtime/settings.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "platform/files.h"
#include "platform/ini_file.h"
#include "runtime/diagnostics.h"

namespace qm {

Settings gSettings;

namespace {

constexpr const char* kSetupFileName = "SETUP.INI";
constexpr const char* kSettingsSection = "SETTINGS";
constexpr const char* kStartupSection = "STARTUP";

std::string WithTrailingSeparator(std::string folder) {
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

std::string FolderOf(const std::string& path) {
  std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

std::string CurrentFolder() {
  std::string folder(PATH_MAX, '\0');
  if (!getcwd(folder.data(), folder.size())) return "./";
  folder.resize(folder.find('\0'));
  return WithTrailingSeparator(folder);
}

// Makes `folder` (created when missing) a directory that only this user can enter. A path that
// is a symbolic link or belongs to another user is refused: work files must not land there.
bool MakePrivateFolder(const std::string& folder) {
  if (folder.empty()) return false;
  if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return false;
  struct stat info;
  if (lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != getuid()) return false;
  return (info.st_mode & 0777) == 0700 || chmod(folder.c_str(), 0700) == 0;
}

std::string SetupFilePath() { return ProgramFolderFile(kSetupFileName); }

std::string ReadSetting(const std::string& setupFile, const char* key, const char* defaultValue) {
  return platform::ReadProfileString(setupFile, kSettingsSection, key, defaultValue);
}

bool FlagIsOn(const std::string& setupFile, const char* key) {
  return ReadSetting(setupFile, key, "0") == "1";
}

int32_t NumberSetting(const std::string& setupFile, const char* key) {
  return SettingNumber(ReadSetting(setupFile, key, "0"));
}

// A diagnostics switch that is on starts a fresh log: each start of the system has its own.
bool DiagnosticsSwitch(const std::string& setupFile, const char* key) {
  if (!FlagIsOn(setupFile, key)) return false;
  DeleteDiagnosticsLog();
  return true;
}

std::string ExternalEditorFrom(const std::string& value) {
  if (value.empty()) return "";
  std::string path = ProgramFolderFile(value);
  return platform::FileExists(path) ? path : std::string();
}

struct StartupSection {
  int32_t window, x, y, width, height;
};

StartupSection ReadStartupSection(const std::string& iniPath) {
  auto number = [&](const char* key) {
    return SettingNumber(platform::ReadProfileString(iniPath, kStartupSection, key, "0"));
  };
  return StartupSection{number("WINDOW"), number("WINPOSX"), number("WINPOSY"), number("WINSIZEX"),
                        number("WINSIZEY")};
}

void TakeStartupWindow(const StartupSection& startup) {
  gSettings.standaloneWindowX = startup.x;
  gSettings.standaloneWindowY = startup.y;
  gSettings.standaloneWindowWidth = startup.width;
  gSettings.standaloneWindowHeight = startup.height;
}

}  // namespace

std::string ProgramFolderFile(const std::string& name) {
  return platform::ResolvePath(gSettings.programFolder + name);
}

int32_t SettingNumber(const std::string& value) {
  long long number = std::strtoll(value.c_str(), nullptr, 10);
  if (number > INT32_MAX) return INT32_MAX;
  if (number < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(number);
}

bool SetUpPaths(const PathOptions& options) {
  gSettings.startFolder = CurrentFolder();
  std::string program = options.programFolder;
  if (program.empty()) program = FolderOf(platform::ExecutablePath());
  gSettings.programFolder = WithTrailingSeparator(program);

  std::string temp = options.tempFolder.empty() ? platform::PrivateTempFolder() : options.tempFolder;
  bool tempIsPrivate = MakePrivateFolder(temp);
  gSettings.tempFolder = WithTrailingSeparator(temp);
  gSettings.workFilePath = gSettings.tempFolder + "workfile.tmp";
  gSettings.workFile2Path = gSettings.tempFolder + "workfil2.tmp";
  gSettings.workWavPath = gSettings.tempFolder + "workfile.wav";
  return tempIsPrivate;
}

void ReadSetupSettings(int32_t& fullScreen, int32_t& windowMode) {
  std::string setup = SetupFilePath();
  gSettings.blitFlipMode = FlagIsOn(setup, "BLITFLIPMODE");
  gSettings.blitOverdrawCount = FlagIsOn(setup, "BLITOVERDRAW") ? 2 : 1;
  gSettings.vertexBufferCreateMode = NumberSetting(setup, "VBCREATE");
  gSettings.vertexBufferUsageMode = NumberSetting(setup, "VBUSAGE");
  gSettings.overlay3DMode = NumberSetting(setup, "3DOVERLAY");
  gSettings.popupOffMode = NumberSetting(setup, "POPUPOFF");
  if (FlagIsOn(setup, "WINDOWMODE")) {
    fullScreen = 0;
    windowMode = 1;
  }
  gSettings.externalEditorPath = ExternalEditorFrom(ReadSetting(setup, "EXTERNALEDITOR", ""));
  gSettings.debugModeFlag = DiagnosticsSwitch(setup, "DEBUGMODE");
  gSettings.traceModeFlag = DiagnosticsSwitch(setup, "TRACEMODE");
  gSettings.runtimeTestFlag = DiagnosticsSwitch(setup, "RUNTIMETEST");
}

void ReadStandaloneStartupSection(const std::string& iniPath) {
  StartupSection startup = ReadStartupSection(iniPath);
  if (startup.window != 1) return;
  gSettings.standaloneWindowState = 1;
  TakeStartupWindow(startup);
}

void ReadStandaloneWindowSettings(int32_t& fullScreen, int32_t& windowMode,
                                  const PackedFileLookup& packedLookup) {
  if (gSettings.standaloneWindowState != 2) return;
  std::optional<std::string> packed;
  if (packedLookup) packed = packedLookup("setup.ini", "dat");
  std::string iniPath = packed ? *packed : platform::ResolvePath(kSetupFileName);

  StartupSection startup = ReadStartupSection(iniPath);
  gSettings.standaloneWindowState = startup.window;
  if (startup.window != 1) return;
  windowMode = 1;
  fullScreen = 0;
  TakeStartupWindow(startup);
}

void DeleteWorkFiles() {
  // When the start folder is gone the current folder stays; the work file has a full path.
  if (!gSettings.startFolder.empty()) {
    [[maybe_unused]] int changed = chdir(gSettings.startFolder.c_str());
  }
  if (!gSettings.workWavPath.empty()) platform::DeleteFileIfExists(gSettings.workWavPath);
}

}  // namespace qm
