// The command-set database: the embedded vocabulary's layout, the text format's rules and
// failures, and the look-ups the compilers and the runtime error report make.
#include "compiler/command_database.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace qm {
namespace {

// A name and the number of consecutive rows it has in its group.
struct NameRun {
  NameRun(const char* runName, int runRows = 1) : name(runName), rows(runRows) {}
  std::string name;
  int rows;
};

struct CommandGroup {
  const char* title;
  int rows;
  int32_t firstId;
  int32_t lastId;
  std::vector<NameRun> names;
};

// The sixteen groups of the vocabulary in their order, with each name's row count. A name ending
// in "[" is a value-returning command.
const std::vector<CommandGroup>& Groups() {
  // clang-format off
  static const std::vector<CommandGroup> groups = {
    {"Control structures", 31, 1, 43,
     {
      "if", "else", "endif", "do", "exit", "loop", "for", "next", "while", "endwhile", "repeat",
      "until", "function", {"endfunction", 4}, "stop", {"exitfunction", 4}, {"restore", 2},
      {"read", 3}, "data", "gosub", "goto", "return"}},
    {"Operators, core functions and the first drawing, input and text commands", 159, 51, 434,
     {
      {"^[", 4}, {"/[", 4}, {"*[", 4}, {"+[", 5}, {"-[", 5}, {"==[", 5}, {">[", 4}, {">=[", 4},
      {"<[", 4}, {"<=[", 4}, {"![", 5}, "&[", "|[", ">[", "<[", {"=", 5}, {"abs[", 2},
      {"acos[", 2}, "asc[", {"asin[", 2}, {"atan[", 2}, {"atanfull[", 4}, "bin$[", "bob", "box",
      "chr$[", "circle", "cl$[", "cls", "end", {"cos[", 2}, "dot", "ellipse", {"break", 2},
      "exp[", {"get image", 2}, {"load image", 2}, "save image", {"hcos[", 2}, "hex$[",
      "hide mouse", {"hsin[", 2}, {"htan[", 2}, "rgb[", "rgbr[", "rgbg[", "rgbb[", "ink",
      "inkey$[", {"input", 3}, "int[", "left$[", "len[", "line", "lower$[", "mid$[",
      "mouseclick[", "mousex[", "mousey[", "mousemovex[", "mousemovey[", "position mouse",
      {"paste image", 2}, "rotate image", "point[", {"print", 4}, {"printc", 3}, "randomize", "`",
      "rem", "#include", "right$[", {"rnd[", 2}, "scancode[", "set bob", "set cursor",
      "show mouse", {"sin[", 2}, "sleep", "space$[", {"sqrt[", 2}, {"str$[", 2}, "sync",
      {"tan[", 2}, "timer[", "upper$[", {"val[", 2}, "wait key", "suspend for key",
      "suspend for mouse"}},
    {"Later additions to the core (comments, SYNC, INC and DEC, bobs)", 46, 401, 492,
     {
      "remstart", "remend", "sync on", "sync off", "cls", "delete image", "sync rate",
      "get date$[", "get time$[", "wait", "image exist[", "appname$[", "windir$[", "entry$[",
      "clear entry buffer", {"inc", 4}, {"dec", 4}, "mousez[", "mousemovez[", "scale bob",
      "stretch bob", "offset bob", "mirror bob", "flip bob", "delete bob", "paste bob",
      "bob exist[", "bob x[", "bob y[", "bob offset x[", "bob offset y[", "bob width[",
      "bob height[", "bob image[", "bob scale x[", "bob scale y[", "bob mirrored[",
      "bob flipped[", "bob hit[", "bob collision["}},
    {"Arrays", 53, 501, 675,
     {
      {"dim", 15}, {"undim", 3}, {"@=", 20}, {"@[", 15}}},
    {"Bitmaps and display modes", 35, 1001, 1571,
     {
      {"load bitmap", 2}, {"save bitmap", 2}, "create bitmap", "set current bitmap",
      {"copy bitmap", 2}, "delete bitmap", "mirror bitmap", "flip bitmap", "blur bitmap",
      "fade bitmap", "set gamma", "bitmap exist[", "current bitmap[", {"bitmap width[", 2},
      {"bitmap height[", 2}, {"bitmap depth[", 2}, {"bitmap mirrored[", 2},
      {"bitmap flipped[", 2}, "perform checklist for display modes", "set display mode",
      "screen width[", "screen height[", "screen depth[", "screen type[", "screen fps[",
      "screen invalid[", "check display mode["}},
    {"Animations", 20, 2001, 2060,
     {
      "load animation", "delete animation", {"play animation", 4}, "stop animation",
      "pause animation", "resume animation", "place animation", {"loop animation", 2},
      "animation exist[", "animation playing[", "animation paused[", "animation looping[",
      "animation position x[", "animation position y[", "animation width[", "animation height["}},
    {"Sound", 47, 3001, 3067,
     {
      {"load sound", 2}, {"record sound", 2}, "stop recording sound", "save sound",
      "delete sound", {"play sound", 2}, "stop sound", "pause sound", "resume sound",
      {"loop sound", 4}, "set sound volume", "set sound speed", "set sound pan", "load 3dsound",
      "position sound", "position listener", "rotate listener", "scale listener", "clone sound",
      "set eax", "say", "say to sound", "say to file", "speech exist[", "sound exist[",
      "sound playing[", "sound paused[", "sound looping[", "get sound volume[",
      "get sound speed[", "get sound pan[", "sound type[", "sound position x[",
      "sound position y[", "sound position z[", "listener position x[", "listener position y[",
      "listener position z[", "listener angle x[", "listener angle y[", "listener angle z["}},
    {"Music", 16, 3501, 3601,
     {
      "load music", "delete music", "play music", "stop music", "pause music", "resume music",
      "loop music", "set music volume", "set music speed", "music exist[", "music playing[",
      "music paused[", "music looping[", "get music volume[", "get music speed[", "load cdmusic"}},
    {"Input devices and force feedback", 48, 4001, 4554,
     {
      "perform checklist for control devices", "set control device", "force up", "force down",
      "force left", "force right", "force angle", "force chainsaw", "force shoot", "force impact",
      "force no effect", "force water effect", "force auto center on", "force auto center off",
      "upkey[", "downkey[", "leftkey[", "rightkey[", "controlkey[", "shiftkey[", "returnkey[",
      "spacekey[", "keystate[", "escapekey[", "joystick left[", "joystick right[", "joystick up[",
      "joystick down[", "joystick fire a[", "joystick fire b[", "joystick fire c[",
      "joystick fire d[", "joystick x[", "joystick y[", "joystick z[", "joystick slider a[",
      "joystick slider b[", "joystick slider c[", "joystick slider d[", "joystick fire x[",
      "joystick twist x[", "joystick twist y[", "joystick twist z[", "joystick hat angle[",
      "control device name$[", "control device x[", "control device y[", "control device z["}},
    {"Arrays on files and memory blocks", 36, 5001, 5207,
     {
      {"load array", 3}, {"save array", 3}, "make memblock", "delete memblock", "memblock exist[",
      "get memblock ptr[", "get memblock size[", "copy memblock", "write memblock byte",
      "memblock byte[", "write memblock word", "memblock word[", "write memblock dword",
      "memblock dword[", "write memblock float", "memblock float[", "make memblock from bitmap",
      "make bitmap from memblock", "make memblock from mesh", "make mesh from memblock",
      "change mesh from memblock", "make memblock from sound", "make sound from memblock",
      "make memblock from image", "make image from memblock", "lock backbuffer",
      "unlock backbuffer", "get backbuffer ptr[", "get backbuffer width[",
      "get backbuffer height[", "get backbuffer depth[", "get backbuffer pitch["}},
    {"Sprites", 28, 5500, 5542,
     {
      "sprite", "set sprite", "size sprite", "scale sprite", "stretch sprite", "offset sprite",
      "mirror sprite", "flip sprite", "delete sprite", "paste sprite", "hide sprite",
      "show sprite", "hide all sprites", "show all sprites", "sprite exist[", "sprite x[",
      "sprite y[", "sprite offset x[", "sprite offset y[", "sprite width[", "sprite height[",
      "sprite image[", "sprite scale x[", "sprite scale y[", "sprite mirrored[",
      "sprite flipped[", "sprite hit[", "sprite collision["}},
    {"Text and fonts", 18, 6001, 6506,
     {
      "perform checklist for fonts", {"set text font", 2}, "set text size", "set text opaque",
      "set text transparent", "set text to normal", "set text to italic", "set text to bold",
      "set text to bolditalic", "text", "center text", "text font$[", "text size[",
      "text background type[", "text style[", "text width[", "text height["}},
    {"3D", 277, 7000, 7984,
     {
      "load object", "load mesh", "delete mesh", "perform checklist for object limbs",
      "make mesh from object", {"make static object", 2}, "delete static objects",
      "load static objects", "save static objects", "set static objects wireframe on",
      "set static objects wireframe off", "attach object to static", "detach object from static",
      "set mipmap mode", "set static objects texture", "disable static occlusion",
      "enable static occlusion", "make static collision box", "make object collision box",
      "delete object collision box", "make object", "delete object", {"set object", 5},
      "set object texture", "disable object zdepth", "enable object zdepth", "make object box",
      "make object sphere", "make object cube", "make object cylinder", "make object cone",
      "make object plain", "make object triangle", {"play object", 3}, "stop object",
      {"loop object", 3}, "set object frame", "set object speed", "append object",
      "set object interpolation", "glue object to limb", "unglue object", "point object",
      "move object", "fix object pivot", "add limb", "texture limb", "offset limb", "rotate limb",
      "scale limb", "link limb", "hide limb", "show limb", "color limb", "scroll limb texture",
      "scale limb texture", "position object", "rotate object", "hide object", "show object",
      {"ghost object on", 2}, "ghost object off", "change mesh", "xrotate object",
      "yrotate object", "zrotate object", "scale object", "lock object on", "lock object off",
      "fade object", "texture object", "color object", "set object rotation xyz",
      "set object rotation zyx", "scroll object texture", "scale object texture",
      "set global collision on", "set global collision off", "set object collision on",
      "set object collision off", "set object collision to spheres",
      "set object collision to boxes", "set object collision to polygons", "turn object left",
      "turn object right", "pitch object up", "pitch object down", "roll object left",
      "roll object right", "set object to object orientation", "set object to camera orientation",
      "save object animation", "append object animation", "clear all object keyframes",
      "clear object keyframe", "set object keyframe", "make matrix", "delete matrix",
      "set matrix wireframe on", "set matrix wireframe off", "fill matrix", "randomize matrix",
      "set matrix height", "position matrix", "shift matrix up", "shift matrix down",
      "shift matrix left", "shift matrix right", "shift matrix up", "shift matrix down",
      "shift matrix left", "shift matrix right", "update matrix", "prepare matrix texture",
      "set matrix texture", {"set matrix tile", 2}, "set matrix normal", "set matrix",
      "ghost matrix on", "ghost matrix off", "position camera", "point camera", "rotate camera",
      "move camera", "xrotate camera", "yrotate camera", "zrotate camera", "turn camera left",
      "turn camera right", "pitch camera up", "pitch camera down", "roll camera left",
      "roll camera right", "set camera to object orientation", "set camera to follow",
      "set camera range", "set camera rotation xyz", "set camera rotation zyx", "autocam on",
      "autocam off", "set camera view", "clear camera view", "set camera fov", "make light",
      "delete light", "set point light", "set spot light", "set directional light",
      "position light", "rotate light", "point light", {"color light", 2}, "hide light",
      "show light", "set light to object position", "set light to object orientation",
      "set normalization on", "set normalization off", "set light range", "mesh exist[",
      "object exist[", "object position x[", "object position y[", "object position z[",
      "object angle x[", "object angle y[", "object angle z[", "object visible[", "object hit[",
      "object collision[", "limb exist[", "check limb link[", "limb texture[", "limb offset x[",
      "limb offset y[", "limb offset z[", "limb angle x[", "limb angle y[", "limb angle z[",
      "limb position x[", "limb position y[", "limb position z[", "limb visible[",
      "limb direction x[", "limb direction y[", "limb direction z[", "limb texture name$[",
      "object playing[", "object looping[", "object frame[", "object speed[",
      "object interpolation[", "total object frames[", "object collision radius[",
      "object collision center x[", "object collision center y[", "object collision center z[",
      "object size[", "object screen x[", "object screen y[", "object in screen[", "statistic[",
      "object size x[", "object size y[", "object size z[", "matrix exist[",
      "matrix wireframe state[", "get matrix height[", "matrix position x[", "matrix position y[",
      "matrix position z[", "matrix tiles exist[", "matrix tile count[", "get ground height[",
      "camera position x[", "camera position y[", "camera position z[", "camera angle x[",
      "camera angle y[", "camera angle z[", "get static collision hit[",
      "get static collision x[", "get static collision y[", "get static collision z[",
      "get object collision x[", "get object collision y[", "get object collision z[",
      "static line of sight[", "static line of sight x[", "static line of sight y[",
      "static line of sight z[", "light exist[", "light type[", "light position x[",
      "light position y[", "light position z[", "light direction x[", "light direction y[",
      "light direction z[", "light visible[", "light range[", "fog on", "fog off", "fog distance",
      "fog color", "set ambient light", "color ambient light", "backdrop on", "backdrop off",
      "texture backdrop", "color backdrop", "scroll backdrop", "draw to front", "draw to back",
      "3ds2x", "curvevalue[", "wrapvalue[", "newxvalue[", "newzvalue[", "newyvalue[",
      "curveangle[", "alphablending available[", "filtering available[", "fog available[",
      "3dblit available["}},
    {"Files and FTP", 77, 8001, 8309,
     {
      "set dir", "dir", "drivelist", "perform checklist for files",
      "perform checklist for drives", "find first", "find next", "cd", "make file", "delete file",
      "copy file", "rename file", "move file", "write byte to file", "make directory",
      {"delete directory", 2}, {"execute file", 2}, "ftp connect", "ftp set dir",
      "ftp find first", "ftp find next", "ftp put file", "ftp delete file", {"ftp get file", 2},
      "ftp disconnect", "ftp proceed", "ftp terminate", "ftp disconnect", "open to read",
      "open to write", "close file", "read byte", "read word", "read long", "read file",
      "read float", "read string", "read fileblock", "skip bytes", "read dirblock", "write byte",
      "write word", "write long", "write file", "write float", "write string",
      {"write fileblock", 2}, "write dirblock", "read memblock", "write memblock",
      "make memblock from file", "write to clipboard", "get clipboard$[", "write to registry",
      "get registry[", "get dir$[", "get file name$[", "get file type[", "get file date$[",
      "get ftp status[", "get ftp failure[", "get ftp error$[", "get ftp dir$[",
      "get ftp file name$[", "get ftp file type[", "get ftp file size[", "get ftp progress[",
      "file exist[", "file size[", "path exist[", "file open[", "file end[",
      "read byte from file["}},
    {"Multiplayer", 39, 8501, 8545,
     {
      {"create net game", 2}, "join net game", "free net game",
      "perform checklist for net connections", {"set net connection", 2},
      "perform checklist for net sessions", "perform checklist for net players",
      "create net player", "create net player[", "free net player", "send net message integer",
      "send net message float", "send net message string", {"send net message memblock", 2},
      "send net message image", "send net message bitmap", "send net message sound",
      "send net message mesh", "get net message", "net message exists[", "net message type[",
      "net message player from[", "net message player to[", "net message integer[",
      "net message float[", "net message string$[", "net message memblock", "net message image",
      "net message bitmap", "net message sound", "net message mesh", "net game exists[",
      "net game lost[", "net player created[", "net player destroyed[", "net game now hosting["}},
    {"System, windows, checklist, DLLs and locks", 66, 9001, 9994,
     {
      "set emulation on", "set emulation off", "perform checklist for graphics cards",
      "set graphics card", "always active on", "always active off", "disable tnl", "enable tnl",
      "flush video memory", "set window on", "set window off", "set window layout",
      "set window position", "set window size", "hide window", "show window", "set window title",
      "minimize window", "maximize window", "restore window", "system tmem available[",
      "system dmem available[", "system smem available[", "emulation mode[",
      "current graphics card$[", "tnl available[", "empty checklist", "checklist quantity[",
      "checklist value a[", "checklist value b[", "checklist value c[", "checklist value d[",
      "checklist string$[", "disable escapekey", "enable escapekey", "disable systemkeys",
      "enable systemkeys", "exit prompt", "load dll", "delete dll", "dll exist[",
      "dll call exist[", {"call dll", 10}, {"call dll[", 10}, "lock cli", "unlock cli",
      "lock editor", "unlock editor"}},
  };
  // clang-format on
  return groups;
}

const ParserDatabase& EmbeddedDatabase() {
  static const ParserDatabase database = [] {
    ParserDatabase built;
    const DatabaseBuildResult result = CreateParserDatabase(built);
    EXPECT_TRUE(result.ok) << result.error;
    BuildBlockKeywordTable(built);
    return built;
  }();
  return database;
}

// The name and its group's id range, one element per expected row of a table.
struct ExpectedRow {
  std::string name;
  const CommandGroup* group;
};

void ExpectedRows(std::vector<ExpectedRow>& statements, std::vector<ExpectedRow>& values) {
  for (const CommandGroup& group : Groups()) {
    for (const NameRun& run : group.names) {
      const bool value = run.name.back() == '[';
      const std::string stored = value ? run.name.substr(0, run.name.size() - 1) : run.name;
      for (int row = 0; row < run.rows; ++row) {
        (value ? values : statements).push_back({stored, &group});
      }
    }
  }
}

TEST(CommandDatabase, GroupRowCountsAddUpToEachGroupAndTheWhole) {
  int total = 0;
  for (const CommandGroup& group : Groups()) {
    int rows = 0;
    for (const NameRun& run : group.names) rows += run.rows;
    EXPECT_EQ(rows, group.rows) << group.title;
    total += rows;
  }
  EXPECT_EQ(total, 996);
}

TEST(CommandDatabase, EmbeddedTextHoldsTheWholeVocabulary) {
  const ParserDatabase& database = EmbeddedDatabase();
  EXPECT_EQ(database.StatementCount() + database.ValueCommandCount(), 996);
  EXPECT_EQ(database.StatementCount(), 582);
  EXPECT_EQ(database.ValueCommandCount(), 414);
  EXPECT_EQ(database.firstArrayReadIndex, 133);
  EXPECT_EQ(database.valueCommands[133].name, "@");
  EXPECT_EQ(database.valueCommands[133].id, 661);
}

TEST(CommandDatabase, RowsFollowTheGroupOrderWithEachNamesRowCount) {
  std::vector<ExpectedRow> statements, values;
  ExpectedRows(statements, values);
  const ParserDatabase& database = EmbeddedDatabase();
  ASSERT_EQ(database.statements.size(), statements.size());
  ASSERT_EQ(database.valueCommands.size(), values.size());
  for (std::size_t i = 0; i < statements.size(); ++i) {
    const StatementEntry& entry = database.statements[i];
    EXPECT_EQ(entry.name, statements[i].name) << "statement " << i;
    EXPECT_GE(entry.id, statements[i].group->firstId) << entry.name << " " << entry.id;
    EXPECT_LE(entry.id, statements[i].group->lastId) << entry.name << " " << entry.id;
  }
  for (std::size_t i = 0; i < values.size(); ++i) {
    const ValueCommandEntry& entry = database.valueCommands[i];
    EXPECT_EQ(entry.name, values[i].name) << "value command " << i;
    EXPECT_GE(entry.id, values[i].group->firstId) << entry.name << " " << entry.id;
    EXPECT_LE(entry.id, values[i].group->lastId) << entry.name << " " << entry.id;
  }
}

TEST(CommandDatabase, IdsAreUniqueExceptTheCommentStatementsSharedId) {
  const ParserDatabase& database = EmbeddedDatabase();
  std::map<int32_t, std::vector<std::string>> namesById;
  for (const StatementEntry& entry : database.statements) namesById[entry.id].push_back(entry.name);
  for (const ValueCommandEntry& entry : database.valueCommands) {
    namesById[entry.id].push_back(entry.name + "[");
  }
  for (const auto& [id, names] : namesById) {
    if (id == 246) {
      EXPECT_EQ(names, (std::vector<std::string>{"position mouse", "`"}));
    } else {
      EXPECT_EQ(names.size(), 1u) << "id " << id << " is shared by " << names.front() << " and "
                                  << names.back();
    }
  }
}

// Overloads stand in one run, except the few names with two runs far apart.
TEST(CommandDatabase, OnlyTheKnownNamesHaveTwoRuns) {
  auto runsOf = [](const auto& entries) {
    std::map<std::string, int> runs;
    for (std::size_t i = 0; i < entries.size(); ++i) {
      if (i == 0 || entries[i - 1].name != entries[i].name) ++runs[entries[i].name];
    }
    std::set<std::string> twice;
    for (const auto& [name, count] : runs) {
      EXPECT_LE(count, 2) << name;
      if (count == 2) twice.insert(name);
    }
    return twice;
  };
  const ParserDatabase& database = EmbeddedDatabase();
  EXPECT_EQ(runsOf(database.statements),
            (std::set<std::string>{"cls", "ftp disconnect", "shift matrix down", "shift matrix left",
                                   "shift matrix right", "shift matrix up"}));
  EXPECT_EQ(runsOf(database.valueCommands), (std::set<std::string>{"<", ">"}));
}

// The value-command row of an id, or nullptr.
const ValueCommandEntry* ValueCommandById(int32_t id) {
  const auto& values = EmbeddedDatabase().valueCommands;
  auto found = std::find_if(values.begin(), values.end(),
                            [id](const ValueCommandEntry& entry) { return entry.id == id; });
  return found == values.end() ? nullptr : &*found;
}

// Index of the first value-command row with this name and signature, or -1.
int ValueCommandIndex(const std::string& name, const std::string& signature) {
  const auto& values = EmbeddedDatabase().valueCommands;
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (values[i].name == name && values[i].signature == signature) return static_cast<int>(i);
  }
  return -1;
}

// Where a value command's overloads take the same parameters, the first row decides the result
// type: abs() keeps a float, rnd() gives an integer, val() reads a float.
TEST(CommandDatabase, SameParameterOverloadsPutTheExpectedResultFirst) {
  EXPECT_LT(ValueCommandIndex("abs", "ff"), ValueCommandIndex("abs", "lf"));
  EXPECT_LT(ValueCommandIndex("rnd", "ll"), ValueCommandIndex("rnd", "fl"));
  EXPECT_LT(ValueCommandIndex("val", "fs"), ValueCommandIndex("val", "ls"));
  EXPECT_GE(ValueCommandIndex("abs", "lf"), 0);
}

struct ValueCommandCase {
  int32_t id;
  const char* name;
  const char* signature;
};

TEST(CommandDatabase, ValueCommandsCarryTheirResultLetterFirst) {
  const ValueCommandCase cases[] = {
      {81, "+", "lll"},
      {87, "+", "sss"},
      {143, ">", "lss"},
      {232, "int", "lf"},
      {243, "point", "lll"},
      {368, "abs", "ff"},
      {201, "abs", "lf"},
      {321, "val", "fs"},
      {322, "val", "ls"},
      {390, "rnd", "ll"},
      {661, "@", "lll"},
      {675, "@", "sslllll"},
      {1058, "bitmap width", "ll"},
      {3046, "speech exist", "l"},
      {3555, "get music volume", "ll"},
      {3556, "get music speed", "ll"},
      {4540, "joystick hat angle", "ll"},
      {5118, "memblock float", "fll"},
      {5541, "sprite hit", "lll"},
      {491, "bob hit", "lll"},
      {6505, "text width", "ls"},
      {7519, "object hit", "lll"},
      {7553, "get matrix height", "flll"},
      {7571, "get static collision hit", "lffffffffffff"},
      {7951, "curvevalue", "ffff"},
      {8126, "read byte from file", "lsl"},
      {8511, "create net player", "ls"},
      {9556, "checklist string$", "sl"},
      {9729, "call dll", "zlszzzzzzzzz"},
  };
  for (const ValueCommandCase& c : cases) {
    const ValueCommandEntry* entry = ValueCommandById(c.id);
    ASSERT_NE(entry, nullptr) << c.id;
    EXPECT_EQ(entry->name, c.name) << c.id;
    EXPECT_EQ(entry->signature, c.signature) << c.id;
  }
}

struct StatementCase {
  int32_t id;
  const char* name;  // nullptr: no statement has the id
  const char* signature;
};

// The runtime error report's view: a command id back to its name and parameter letters.
TEST(CommandDatabase, FindCommandNameByIdAnswersForEveryGroup) {
  const StatementCase cases[] = {
      {1, "if", "l"},
      {36, "data", "e"},
      {43, "return", "0"},
      {151, "=", "ll"},
      {212, "cls", "0"},
      {405, "cls", "l"},
      {207, "bob", "llll"},
      {5500, "sprite", "llll"},
      {246, "position mouse", "ll"},
      {308, "#include", "e"},
      {570, "@=", "flllllf"},
      {525, "dim", "slllll"},
      {1008, "copy bitmap", "llllllllll"},
      {2015, "play animation", "llllll"},
      {3012, "position sound", "lfff"},
      {3601, "load cdmusic", "ll"},
      {4105, "force angle", "lll"},
      {5117, "write memblock float", "llf"},
      {6010, "text", "lls"},
      {7047, "make object triangle", "lfffffffff"},
      {7118, "shift matrix right", "ll"},
      {8212, "ftp disconnect", "l"},
      {8502, "create net game", "ssll"},
      {8510, "create net player", "s"},
      {9611, "exit prompt", "ss"},
      {9719, "call dll", "lszzzzzzzzz"},
      {9994, "unlock editor", "0"},
      // Value commands and operators live in the other table: not found.
      {81, nullptr, ""},
      {390, nullptr, ""},
      {7571, nullptr, ""},
      {7264, nullptr, ""},
      {0, nullptr, ""},
  };
  const ParserDatabase& database = EmbeddedDatabase();
  for (const StatementCase& c : cases) {
    std::string name = "unchanged";
    const int32_t index = FindCommandNameById(database, c.id, name);
    if (c.name == nullptr) {
      EXPECT_EQ(index, database.StatementCount()) << c.id;
      EXPECT_EQ(name, "unchanged") << c.id;
    } else {
      ASSERT_LT(index, database.StatementCount()) << c.id;
      EXPECT_EQ(name, c.name) << c.id;
    }
    std::string letters;
    for (int32_t position = 0; char letter = GetCommandSignatureLetter(database, index, position);
         ++position) {
      letters += letter;
    }
    EXPECT_EQ(letters, c.signature) << c.id;
  }
}

TEST(CommandDatabase, SignatureLetterIsZeroOutsideTheTable) {
  const ParserDatabase& database = EmbeddedDatabase();
  std::string name;
  const int32_t forInput = FindCommandNameById(database, 1, name);
  EXPECT_EQ(GetCommandSignatureLetter(database, forInput, 0), 'l');
  EXPECT_EQ(GetCommandSignatureLetter(database, forInput, 1), 0);
  EXPECT_EQ(GetCommandSignatureLetter(database, forInput, -1), 0);
  EXPECT_EQ(GetCommandSignatureLetter(database, -1, 0), 0);
  EXPECT_EQ(GetCommandSignatureLetter(database, database.StatementCount(), 0), 0);
}

TEST(CommandDatabase, BlockKeywordTableTakesItsIdsFromTheStatements) {
  const ParserDatabase& database = EmbeddedDatabase();
  const char* const names[] = {"if",  "else", "endif", "do",       "exit",   "loop",
                               "for", "next", "while", "endwhile", "repeat", "until"};
  for (int32_t index = 0; index < kBlockKeywordCount; ++index) {
    const BlockKeyword& keyword = database.blockKeywords[index];
    EXPECT_EQ(keyword.name, names[index]);
    EXPECT_EQ(keyword.commandId, index + 1) << keyword.name;
    EXPECT_EQ(FindBlockKeywordByCommandId(database, index + 1), index);
  }
  const BlockKeyword& ifKeyword = database.blockKeywords[0];
  EXPECT_EQ(ifKeyword.closedBy, 2);
  EXPECT_TRUE(ifKeyword.jumpOperand);
  EXPECT_FALSE(ifKeyword.marker);
  const BlockKeyword& endif = database.blockKeywords[2];
  EXPECT_TRUE(endif.closesBlock);
  EXPECT_FALSE(endif.jumpOperand);
  EXPECT_TRUE(endif.marker);
  EXPECT_TRUE(database.blockKeywords[3].marker);     // do
  EXPECT_EQ(database.blockKeywords[3].closedBy, 5);  // loop
  EXPECT_TRUE(database.blockKeywords[10].marker);    // repeat
  EXPECT_EQ(database.blockKeywords[10].closedBy, 11);
  EXPECT_EQ(FindBlockKeywordByCommandId(database, 13), -1);
  EXPECT_EQ(FindBlockKeywordByCommandId(database, 0), -1);

  int flagged = 0;
  for (const StatementEntry& entry : database.statements) {
    EXPECT_EQ(entry.blockKeyword, entry.id >= 1 && entry.id <= 12) << entry.name;
    flagged += entry.blockKeyword;
  }
  EXPECT_EQ(flagged, kBlockKeywordCount);
}

// ---- The text format, on small texts ----

std::string Text(std::initializer_list<const char*> lines, const char* lineEnd = "\r\n") {
  std::string text = std::string(kCommandSetHeader) + lineEnd;
  for (const char* line : lines) text += std::string(line) + lineEnd;
  return text;
}

TEST(CommandDatabaseText, ParsesNamesIdsAndSignaturesAsStored) {
  ParserDatabase database;
  const std::string text = Text({"; a comment line", "EXIT%5%0 ", "LOAD BITMAP% 10 01 %S l", "",
                                 "\x01\x02POINT[%243%LLL", ";", "@[%661%LLL", "Print%301%L"});
  ASSERT_TRUE(CreateParserDatabaseFromText(database, text).ok);
  ASSERT_EQ(database.StatementCount(), 3);
  ASSERT_EQ(database.ValueCommandCount(), 2);
  EXPECT_EQ(database.statements[0].name, "exit");
  EXPECT_EQ(database.statements[0].signature, "0");
  EXPECT_EQ(database.statements[1].name, "load bitmap");
  EXPECT_EQ(database.statements[1].id, 1001);
  EXPECT_EQ(database.statements[1].signature, "sl");
  EXPECT_EQ(database.statements[2].name, "print");
  EXPECT_EQ(database.valueCommands[0].name, "point");
  EXPECT_EQ(database.valueCommands[0].signature, "lll");
  EXPECT_EQ(database.firstArrayReadIndex, 1);
}

TEST(CommandDatabaseText, LineFeedLinesLoadLikeCarriageReturnLineFeed) {
  ParserDatabase crlf, lf;
  ASSERT_TRUE(CreateParserDatabaseFromText(crlf, Text({"CLS%212%0", "RND[%390%LL"})).ok);
  ASSERT_TRUE(CreateParserDatabaseFromText(lf, Text({"CLS%212%0", "RND[%390%LL"}, "\n")).ok);
  ASSERT_EQ(lf.StatementCount(), 1);
  ASSERT_EQ(lf.ValueCommandCount(), 1);
  EXPECT_EQ(lf.statements[0].signature, crlf.statements[0].signature);
  EXPECT_EQ(lf.valueCommands[0].signature, "ll");
}

TEST(CommandDatabaseText, WithoutArrayReadsTheArrayIndexIsMinusOne) {
  ParserDatabase database;
  ASSERT_TRUE(CreateParserDatabaseFromText(database, Text({"RND[%390%LL"})).ok);
  EXPECT_EQ(database.firstArrayReadIndex, -1);
}

TEST(CommandDatabaseText, EntriesBeyondTheCapacitiesAreDropped) {
  std::string text = std::string(kCommandSetHeader) + "\r\n";
  for (int i = 1; i <= kMaxStatementEntries + 5; ++i) text += "S" + std::to_string(i) + "%1%0\r\n";
  for (int i = 1; i <= kMaxValueCommandEntries + 5; ++i) {
    text += "V" + std::to_string(i) + "[%2%L\r\n";
  }
  ParserDatabase database;
  ASSERT_TRUE(CreateParserDatabaseFromText(database, text).ok);
  EXPECT_EQ(database.StatementCount(), kMaxStatementEntries);
  EXPECT_EQ(database.ValueCommandCount(), kMaxValueCommandEntries);
  EXPECT_EQ(database.statements.back().name, "s768");
  EXPECT_EQ(database.valueCommands.back().name, "v512");
}

TEST(CommandDatabaseText, ABlockKeywordTakesTheIdOfTheLastStatementOfItsName) {
  ParserDatabase database;
  ASSERT_TRUE(CreateParserDatabaseFromText(database, Text({"DO%4%0", "DO%40%0", "IF%1%L"})).ok);
  BuildBlockKeywordTable(database);
  EXPECT_EQ(database.blockKeywords[3].commandId, 40);
  EXPECT_EQ(database.blockKeywords[5].commandId, 0);  // no "loop" statement
  EXPECT_FALSE(database.statements[0].blockKeyword);
  EXPECT_TRUE(database.statements[1].blockKeyword);
  EXPECT_TRUE(database.statements[2].blockKeyword);
}

struct MalformedCase {
  std::string text;
  const char* errorPart;
};

TEST(CommandDatabaseText, MalformedTextsFailClearlyAndLeaveTheTablesEmpty) {
  const std::string longName(256, 'N');
  const std::string longSignature(33, 'L');
  const MalformedCase cases[] = {
      {"", "missing"},
      {"; Command Set Database V110\r\nCLS%212%0\r\n", "does not start with"},
      {Text({"CLS%212%0", "LOAD BITMAP"}), "line 3: no '%' after the command name"},
      {Text({"LOAD BITMAP%1001"}), "line 2: no '%' after the command id"},
      {Text({"LOAD BITMAP%1O01%S"}), "not a number"},
      {Text({"LOAD BITMAP%%S"}), "not a number"},
      {Text({"LOAD BITMAP%0%S"}), "not a number"},
      {Text({"LOAD BITMAP%10000%S"}), "not a number"},
      {Text({"%5%0"}), "empty command name"},
      {Text({"[%5%L"}), "empty command name"},
      {Text({(longName + "%5%0").c_str()}), "longer than 255"},
      {Text({("X%5%" + longSignature).c_str()}), "longer than 32"},
      {Text({"LOAD BITMAP%1001%"}), "empty signature"},
      {Text({"LOAD BITMAP%1001%SX"}), "outside"},
      {Text({"RND[%390%0"}), "without a result letter"},
  };
  for (const MalformedCase& c : cases) {
    ParserDatabase database;
    AddStatementEntry(database, "left over", 1, "0");
    const DatabaseBuildResult result = CreateParserDatabaseFromText(database, c.text);
    EXPECT_FALSE(result.ok) << c.errorPart;
    EXPECT_NE(result.error.find(c.errorPart), std::string::npos) << result.error;
    EXPECT_EQ(database.StatementCount(), 0) << c.errorPart;
    EXPECT_EQ(database.ValueCommandCount(), 0) << c.errorPart;
  }
}

TEST(CommandDatabaseText, ResourceOtherThanTheCommandSetIsMissing) {
  EXPECT_FALSE(LoadCommandSetResource(kCommandSetResourceId).empty());
  EXPECT_TRUE(LoadCommandSetResource(kCommandSetResourceId + 1).empty());
  ParserDatabase database;
  const DatabaseBuildResult result = CreateParserDatabase(database, kCommandSetResourceId + 1);
  EXPECT_FALSE(result);
  EXPECT_NE(result.error.find("missing"), std::string::npos) << result.error;
}

TEST(CommandDatabaseText, EmbeddedTextUsesCarriageReturnLineFeed) {
  const std::string_view text = LoadCommandSetResource();
  EXPECT_EQ(text.substr(0, kCommandSetHeader.size() + 2), std::string(kCommandSetHeader) + "\r\n");
  std::size_t lineFeeds = 0, pairs = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\n') continue;
    ++lineFeeds;
    pairs += i > 0 && text[i - 1] == '\r';
  }
  EXPECT_GT(lineFeeds, 996u);
  EXPECT_EQ(pairs, lineFeeds);
}

}  // namespace
}  // namespace qm
