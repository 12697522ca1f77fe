// Virtual-key codes: the key numbers that key messages and the asynchronous key state use.
// Letters and digits are their upper-case ASCII codes ('A' = 0x41, '0' = 0x30).
#pragma once

namespace qm::platform {

// Mouse buttons (asynchronous key state only).
constexpr int kVkLButton = 0x01;
constexpr int kVkRButton = 0x02;
constexpr int kVkMButton = 0x04;

constexpr int kVkBack = 0x08;
constexpr int kVkTab = 0x09;
constexpr int kVkReturn = 0x0D;
constexpr int kVkShift = 0x10;    // either shift key
constexpr int kVkControl = 0x11;  // either control key
constexpr int kVkMenu = 0x12;     // either alt key
constexpr int kVkPause = 0x13;
constexpr int kVkCapital = 0x14;  // caps lock
constexpr int kVkEscape = 0x1B;
constexpr int kVkSpace = 0x20;
constexpr int kVkPrior = 0x21;  // page up
constexpr int kVkNext = 0x22;   // page down
constexpr int kVkEnd = 0x23;
constexpr int kVkHome = 0x24;
constexpr int kVkLeft = 0x25;
constexpr int kVkUp = 0x26;
constexpr int kVkRight = 0x27;
constexpr int kVkDown = 0x28;
constexpr int kVkSnapshot = 0x2C;  // print screen
constexpr int kVkInsert = 0x2D;
constexpr int kVkDelete = 0x2E;

constexpr int kVk0 = 0x30;  // '0' .. '9' are 0x30 .. 0x39
constexpr int kVk9 = 0x39;
constexpr int kVkA = 0x41;  // 'A' .. 'Z' are 0x41 .. 0x5A
constexpr int kVkZ = 0x5A;

constexpr int kVkLWin = 0x5B;
constexpr int kVkRWin = 0x5C;
constexpr int kVkApps = 0x5D;

constexpr int kVkNumpad0 = 0x60;  // .. kVkNumpad0 + 9
constexpr int kVkMultiply = 0x6A;
constexpr int kVkAdd = 0x6B;
constexpr int kVkSubtract = 0x6D;
constexpr int kVkDecimal = 0x6E;
constexpr int kVkDivide = 0x6F;

constexpr int kVkF1 = 0x70;  // F1 .. F12 are 0x70 .. 0x7B
constexpr int kVkF2 = 0x71;
constexpr int kVkF3 = 0x72;
constexpr int kVkF4 = 0x73;
constexpr int kVkF5 = 0x74;
constexpr int kVkF6 = 0x75;
constexpr int kVkF7 = 0x76;
constexpr int kVkF8 = 0x77;
constexpr int kVkF9 = 0x78;
constexpr int kVkF10 = 0x79;
constexpr int kVkF11 = 0x7A;
constexpr int kVkF12 = 0x7B;

constexpr int kVkNumLock = 0x90;
constexpr int kVkScroll = 0x91;

// Left and right modifier keys (asynchronous key state; key messages carry the generic ones).
constexpr int kVkLShift = 0xA0;
constexpr int kVkRShift = 0xA1;
constexpr int kVkLControl = 0xA2;
constexpr int kVkRControl = 0xA3;
constexpr int kVkLMenu = 0xA4;
constexpr int kVkRMenu = 0xA5;

// Punctuation keys of a US layout.
constexpr int kVkOem1 = 0xBA;       // ; :
constexpr int kVkOemPlus = 0xBB;    // = +
constexpr int kVkOemComma = 0xBC;   // , <
constexpr int kVkOemMinus = 0xBD;   // - _
constexpr int kVkOemPeriod = 0xBE;  // . >
constexpr int kVkOem2 = 0xBF;       // / ?
constexpr int kVkOem3 = 0xC0;       // ` ~
constexpr int kVkOem4 = 0xDB;       // [ {
constexpr int kVkOem5 = 0xDC;       // \ |
constexpr int kVkOem6 = 0xDD;       // ] }
constexpr int kVkOem7 = 0xDE;       // ' "

constexpr int kVirtualKeyCount = 256;

constexpr int FunctionKey(int n) { return kVkF1 + n - 1; }  // n = 1 .. 12

}  // namespace qm::platform
