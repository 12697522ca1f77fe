// Settings, paths and work files: SetUpPaths, SETUP.INI section SETTINGS, the stand-alone
// program's STARTUP section, and the work-file clean-up at exit.
#include "runtime/settings.h"

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

// The work-file names in `folder`; all empty for no folder.
void UseWorkFolder(const std::string& folder) {
  if (folder.empty()) {
    gSettings.tempFolder = gSettings.workFilePath = gSettings.workFile2Path = gSettings.workWavPath = "";
    return;
  }
  gSettings.tempFolder = WithTrailingSeparator(folder);
  gSettings.workFilePath = gSettings.tempFolder + "workfile.tmp";
  gSettings.workFile2Path = gSettings.tempFolder + "workfil2.tmp";
  gSettings.workWavPath = gSettings.tempFolder + "workfile.wav";
}

std::string SetupFilePath() { return ProgramFolderFile(kSetupFileName); }

// SETUP.INI of the program folder, parsed once: every setting is read from this one document.
struct SetupFile {
  platform::IniDocument document;
  bool loaded = false;
};

SetupFile& Setup() {
  static SetupFile setup;
  return setup;
}

std::string ReadSetting(const char* key, const char* defaultValue) {
  return SetupDocument().Read(kSettingsSection, key, defaultValue);
}

bool FlagIsOn(const char* key) { return ReadSetting(key, "0") == "1"; }

int32_t NumberSetting(const char* key) { return SettingNumber(ReadSetting(key, "0")); }

// A diagnostics switch that is on starts a fresh log: each start of the system has its own.
bool DiagnosticsSwitch(const char* key) {
  if (!FlagIsOn(key)) return false;
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
  platform::IniDocument file;
  file.Load(iniPath);  // a file that cannot be read leaves every key at 0
  auto number = [&](const char* key) { return SettingNumber(file.Read(kStartupSection, key, "0")); };
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
  std::string current = platform::CurrentFolder();
  gSettings.startFolder = current.empty() ? std::string("./") : WithTrailingSeparator(current);
  Setup() = SetupFile();  // the program folder may change: SETUP.INI is read anew
  std::string program = options.programFolder;
  if (program.empty()) program = FolderOf(platform::ExecutablePath());
  gSettings.programFolder = WithTrailingSeparator(program);

  gSettings.tempFolderPending = options.tempFolder.empty();
  UseWorkFolder(options.tempFolder);
  return gSettings.tempFolderPending || platform::EnsurePrivateFolder(options.tempFolder);
}

const std::string& TempFolder() {
  if (gSettings.tempFolderPending) {
    gSettings.tempFolderPending = false;
    const std::string temp = platform::PrivateTempFolder();
    if (platform::EnsurePrivateFolder(temp)) UseWorkFolder(temp);
  }
  return gSettings.tempFolder;
}

const std::string& WorkFilePath() {
  TempFolder();
  return gSettings.workFilePath;
}

const std::string& WorkFile2Path() {
  TempFolder();
  return gSettings.workFile2Path;
}

const std::string& WorkWavPath() {
  TempFolder();
  return gSettings.workWavPath;
}

bool LoadSetupFile(std::string* error) {
  SetupFile& setup = Setup();
  setup.loaded = true;
  return setup.document.Load(SetupFilePath(), error);
}

const platform::IniDocument& SetupDocument() {
  if (!Setup().loaded) LoadSetupFile();
  return Setup().document;
}

bool ReadSetupSettings(int32_t& fullScreen, int32_t& windowMode, std::string* error) {
  const bool loaded = LoadSetupFile(error);
  gSettings.blitFlipMode = FlagIsOn("BLITFLIPMODE");
  gSettings.blitOverdrawCount = FlagIsOn("BLITOVERDRAW") ? 2 : 1;
  gSettings.vertexBufferCreateMode = NumberSetting("VBCREATE");
  gSettings.vertexBufferUsageMode = NumberSetting("VBUSAGE");
  gSettings.overlay3DMode = NumberSetting("3DOVERLAY");
  gSettings.popupOffMode = NumberSetting("POPUPOFF");
  gSettings.windowModeRequested = FlagIsOn("WINDOWMODE");
  ApplyWindowModeSetting(fullScreen, windowMode);
  gSettings.externalEditorPath = ExternalEditorFrom(ReadSetting("EXTERNALEDITOR", ""));
  gSettings.debugModeFlag = DiagnosticsSwitch("DEBUGMODE");
  gSettings.traceModeFlag = DiagnosticsSwitch("TRACEMODE");
  gSettings.runtimeTestFlag = DiagnosticsSwitch("RUNTIMETEST");
  return loaded;
}

void ApplyWindowModeSetting(int32_t& fullScreen, int32_t& windowMode) {
  if (!gSettings.windowModeRequested) return;
  fullScreen = 0;
  windowMode = 1;
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
    platform::ChangeFolder(gSettings.startFolder);
  }
  if (!gSettings.workWavPath.empty()) platform::DeleteFileIfExists(gSettings.workWavPath);
}

}  // namespace qm
