// Every module function against the flat function it wraps. A row calls the module function on
// one memory port and the flat function, with the same values, on another, and compares results
// and bytes written; the values differ from argument to argument, so one passed in the wrong
// place shows. Each row runs again with handle 0 against the flat function with a null handle:
// the same failure value. A last check reads the module headers and fails for a function that
// has no row and is not in kTestedElsewhere. REFUSED rows pass a value the flat function cannot
// take, or a count or offset past the caller's array: the failure value, and nothing written.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <type_traits>
#include <vector>

#include "imaging/ImageFixtures.h"
#include "support/MemoryPort.h"
#include "support/PortTest.h"
#include "velmora/velmora.hpp"

namespace velmora::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A result as text, so that results of every kind compare alike.
template <typename T>
std::string Show(const T &value) {
  if constexpr (std::is_same_v<T, bool>) {
    return value ? "true" : "false";
  } else if constexpr (std::is_arithmetic_v<T>) {
    return std::to_string(value);
  } else {
    return '"' + value + '"';
  }
}
template <typename... T>
std::string All(const T &...values) {
  return ((Show(values) + " ") + ...);
}

// Bytes that the module function takes as a vector and the flat function as a pointer.
struct Buffer {
  Bytes &bytes;
  operator Bytes &() const { return bytes; }
  operator unsigned char *() const { return bytes.data(); }
};

// Positions that the module function takes as Ints and the flat function as an int array.
struct Positions {
  std::vector<Int> values;
  mutable std::vector<int> ints = std::vector<int>(values.begin(), values.end());
  operator const std::vector<Int> &() const { return values; }
  operator int *() const { return ints.data(); }
};

struct Row {
  const char *name;
  std::function<std::string(Int)> module;
  std::function<std::string(void *)> flat;
  bool writes = true;  // the flat call writes bytes, so a misplaced argument shows in them
  unsigned capacity = 1u << 16;
};
constexpr bool kQuiet = false;

// The module function and the flat function with the same arguments; the flat result converted
// as the module function converts it.
// clang-format off
#define SAME(fn, ...)                                                                   \
  #fn, [&](Int h) { return Show(velmora::fn(h __VA_OPT__(, ) __VA_ARGS__)); },         \
  [&](void *p) {                                                                        \
    using Result = decltype(velmora::fn(Int{} __VA_OPT__(, ) __VA_ARGS__));             \
    return Show(static_cast<Result>(::fn(p __VA_OPT__(, ) __VA_ARGS__)));               \
  }
// The same for text: UTF-8 to the module function, wide to the flat one, after the other arguments.
#define WIDE(fn, utf8, wide, ...)                                                       \
  #fn, [&](Int h) { return Show(velmora::fn(h, __VA_ARGS__ __VA_OPT__(, ) utf8)); },   \
  [&](void *p) { return Show(::fn(p, __VA_ARGS__ __VA_OPT__(, ) wide) != 0); }
// A call the module function refuses without calling the flat function.
#define REFUSED(fn, failure, ...)                                                       \
  #fn, [&](Int h) { return Show(velmora::fn(h, __VA_ARGS__)); },                       \
  [&](void *) { return Show(failure); }, kQuiet
// clang-format on

constexpr Int kTooBig = Int{INT32_MAX} + 1;

// Module functions this table cannot drive on a memory port, and where they are tested.
const std::set<std::string> kTestedElsewhere = {
    // Need a printer to open: module/PortWrappersTest, convenience/ConnectorTest.
    "VP_Port_OpenTcp", "VP_Port_OpenBtBle", "VP_Port_OpenBtBleProtoV2", "VP_Port_OpenBtBleProtoV3",
    "VP_Port_OpenBtBleProtoVA",
    // Need a port that has heard from its printer: bleports, module_status/PrinterWrappersTest.
    "VP_Port_GetBtBleProtoV2PacketSendTimesList", "VP_Printer_GetPrinterResolutionInfo",
    "VP_Printer_GetPrinterFirmwareVersion", "VP_Printer_GetPrinterStatusInfo",
    "VP_Printer_GetPrinterReceivedInfo", "VP_Printer_GetPrinterPrintedInfo",
    "VP_Printer_GetPrinterLabelPositionAdjustmentInfo",
    // Closures and searches, no flat twin with the same arguments: discovery, bleports,
    // module_status/PrinterWrappersTest, module/Utf8Test; and the event registrations, every
    // name that ends in "Event": module/EventBridgeTest.
    "VP_Port_EnumNetPrinter", "VP_Port_EnumBleDevice", "VP_Settings_DownloadFirmware",
    "VP_Utils_AllocateWCharPointerFromString"};

// A grey ramp, so that each binarisation method gives other dots: 20 x 12 in rows of `stride`.
Bytes Ramp(int stride) {
  Bytes grey(static_cast<size_t>(stride) * 12);
  for (size_t i = 0; i < grey.size(); ++i) grey[i] = static_cast<std::uint8_t>(i * 37 % 256);
  return grey;
}

class WrapperTable : public PortTest {
 protected:
  void TearDown() override {
    std::remove(path.c_str());
    PortTest::TearDown();
  }
  Bytes pixels = Ramp(21);
  Bytes png = GreyPng(20, 12, Ramp(20));
  const std::string path = WriteTempFile("ramp.png", png);
};

TEST_F(WrapperTable, EveryModuleFunctionPassesItsArgumentsToItsFlatFunction) {
  Bytes six_bytes{1, 2, 3, 4, 5, 6}, scratch_bytes(4, 0xEE);
  const Buffer six{six_bytes}, scratch{scratch_bytes}, picture{pixels}, encoded{png};
  const Positions starts{{1, 300, 9}}, ends{{2, 400, 9}}, none{}, too_big{{kTooBig}};
  const Int encoded_size = static_cast<Int>(png.size());
  const char *file = path.c_str();
  const auto gray = VP_ImagePixelsFormat_GRAY8;
  const auto threshold = VP_ImageBinarizationMethod_Thresholding;
  const auto diffusion = VP_ImageBinarizationMethod_ErrorDiffusion;
  const auto run_length = VP_ImageCompressionMethod_Level1;
  const auto jbig = VP_ImageCompressionMethod_Level2;
  // A port of 5 bytes takes 4, then refuses 2.
  const auto fill = [&](void *port) {
    const std::string seen =
        All(::VP_Port_Write(port, six, 4, 100), ::VP_Port_Write(port, six, 2, 100),
            ::VP_Port_GetMemoryBufferDataLength(port));
    ::VP_Port_Close(port);
    return seen;
  };
  const std::vector<Row> rows = {
      // Ports.
      {"VP_Library_Version_SwiftFunction",
       [&](Int) { return Show(velmora::VP_Library_Version_SwiftFunction()); },
       [&](void *) { return Show(std::string(::VP_Library_Version())); }, kQuiet},
      {"VP_Port_OpenMemoryBuffer",
       [&](Int) { return fill(reinterpret_cast<void *>(velmora::VP_Port_OpenMemoryBuffer(5))); },
       [&](void *) { return fill(::VP_Port_OpenMemoryBuffer(5)); }, kQuiet},
      {SAME(VP_Port_Write, six, 4, 1000)},
      {"VP_Port_Write",  // with an offset
       [&](Int h) { return Show(velmora::VP_Port_Write(h, six, 2, 3, 1000)); },
       [&](void *p) { return Show(Int{::VP_Port_Write(p, six_bytes.data() + 2, 3, 1000)}); }},
      // Nothing to read on a memory port: module/PortWrappersTest reads received bytes.
      {SAME(VP_Port_Read, scratch, 3, 0), kQuiet},
      {SAME(VP_Port_ReadUntilByte, scratch, 3, 0, 0x0A), kQuiet},
      {SAME(VP_Port_Available), kQuiet},
      {SAME(VP_Port_SkipAvailable), kQuiet},
      {SAME(VP_Port_IsConnectionValid), kQuiet},
      {SAME(VP_Port_IsOpened), kQuiet},
      {SAME(VP_Port_ClearBtBleProtoV2PacketSendTimesList), kQuiet},
      {SAME(VP_Port_Close), kQuiet},

      // Receipt text, symbols and lines.
      {SAME(VP_Pos_PrintText, "Text 1")},
      {SAME(VP_Pos_PrintText, ""), kQuiet},  // a pointer to a NUL, never a null pointer
      {"VP_Pos_PrintText",                   // cut at an embedded NUL
       [&](Int h) { return Show(velmora::VP_Pos_PrintText(h, std::string("ab\0cd", 5))); },
       [&](void *p) { return Show(::VP_Pos_PrintText(p, "ab") != 0); }},
      {WIDE(VP_Pos_PrintTextInUTF8, "é€\xF0\x9F\x98\x80", L"é€\U0001F600")},
      {WIDE(VP_Pos_PrintTextInGBK, "中文 A", L"中文 A")},
      {WIDE(VP_Pos_PrintTextInGBK, "ok\xF0\x9F\x98\x80", L"ok\U0001F600"), kQuiet},  // no GBK
      {WIDE(VP_Pos_PrintTextInBIG5, "中 B", L"中 B")},
      {WIDE(VP_Pos_PrintTextInShiftJIS, "日本 C", L"日本 C")},
      {WIDE(VP_Pos_PrintTextInEUCKR, "한국 D", L"한국 D")},
      {SAME(VP_Pos_PrintBarcode, VP_Pos_BarcodeType_CODE39, "CODE-39")},
      {SAME(VP_Pos_PrintBarcode_Code128Auto, "AB12345")},
      {SAME(VP_Pos_PrintQRCode, 5, VP_QRCodeECC_M, "qr text")},
      {SAME(VP_Pos_PrintQRCodeUseEpsonCmd, 6, VP_QRCodeECC_Q, "epson")},
      {SAME(VP_Pos_PrintDoubleQRCode, 3, 10, 2, VP_QRCodeECC_L, "a", 300, 5, VP_QRCodeECC_H, "bc")},
      {SAME(VP_Pos_PrintPDF417BarcodeUseEpsonCmd, 4, 10, 3, 5, 2, 1, "xy")},
      {SAME(VP_Pos_PrintHorizontalLine, 10, 300)},
      {SAME(VP_Pos_PrintHorizontalLineSpecifyThickness, 20, 200, 3)},
      {SAME(VP_Pos_PrintMultipleHorizontalLinesAtOneRow, 2, starts, ends)},
      {SAME(VP_Pos_PrintMultipleHorizontalLinesAtOneRow, 0, none, none)},

      // Receipt paper handling and settings.
      {SAME(VP_Pos_KickOutDrawer, 1, 50, 250)},
      {SAME(VP_Pos_Beep, 3, 250)},
      {SAME(VP_Pos_FeedAndHalfCutPaper)},
      {SAME(VP_Pos_FullCutPaper)},
      {SAME(VP_Pos_HalfCutPaper)},
      {SAME(VP_Pos_FeedLine, 3)},
      {SAME(VP_Pos_FeedDot, 300)},
      {SAME(VP_Pos_PrintSelfTestPage)},
      {SAME(VP_Pos_ResetPrinter)},
      {SAME(VP_Pos_SetPrintSpeed, 0x1234)},
      {SAME(VP_Pos_SetPrintDensity, 7)},
      {SAME(VP_Pos_SetSingleByteMode)},
      {SAME(VP_Pos_SetCharacterSet, VP_CharacterSet_CHINA)},
      {SAME(VP_Pos_SetCharacterCodepage, VP_CharacterCodepage_WCP1252)},
      {SAME(VP_Pos_SetMultiByteMode)},
      {SAME(VP_Pos_SetMultiByteEncoding, VP_MultiByteEncoding_BIG5)},
      {SAME(VP_Pos_SetMovementUnit, 180, 360)},
      {SAME(VP_Pos_SetPrintAreaLeftMargin, 300)},
      {SAME(VP_Pos_SetPrintAreaWidth, 500)},
      {SAME(VP_Pos_SetHorizontalAbsolutePrintPosition, 256)},
      {SAME(VP_Pos_SetHorizontalRelativePrintPosition, -10)},
      {SAME(VP_Pos_SetVerticalAbsolutePrintPosition, 65535)},
      {SAME(VP_Pos_SetVerticalRelativePrintPosition, -300)},
      {SAME(VP_Pos_SetAlignment, VP_Pos_Alignment_Right)},
      {SAME(VP_Pos_SetTextScale, 2, 5)},
      {SAME(VP_Pos_SetAsciiTextFontType, 1)},
      {SAME(VP_Pos_SetTextBold, 1)},
      {SAME(VP_Pos_SetTextUnderline, 2)},
      {SAME(VP_Pos_SetTextUpsideDown, 1)},
      {SAME(VP_Pos_SetTextWhiteOnBlack, 1)},
      {SAME(VP_Pos_SetTextRotate, 1)},
      {SAME(VP_Pos_SetTextLineHeight, 40)},
      {SAME(VP_Pos_SetAsciiTextCharRightSpacing, 3)},
      {SAME(VP_Pos_SetKanjiTextCharSpacing, 1, 4)},
      {SAME(VP_Pos_SetBarcodeUnitWidth, 3)},
      {SAME(VP_Pos_SetBarcodeHeight, 100)},
      {SAME(VP_Pos_SetBarcodeReadableTextFontType, 1)},
      {SAME(VP_Pos_SetBarcodeReadableTextPosition,
            VP_Pos_BarcodeTextPrintPosition_AboveAndBelowBarcode)},

      // Receipt queries on a port that never answers: the status query ends when its first
      // repetition does not fit the port, the print-result query on the exit flag.
      {SAME(VP_Pos_QueryRTStatus, 60000), true, 12},
      {SAME(VP_Pos_QueryPrintResult, 60000)},

      // Page mode.
      {SAME(VP_Page_SelectPageMode)},
      {SAME(VP_Page_SelectPageModeEx, 180, 360, 8, 16, 512, 400)},
      {SAME(VP_Page_ExitPageMode)},
      {SAME(VP_Page_PrintPage)},
      {SAME(VP_Page_ClearPage)},
      {SAME(VP_Page_SetPageArea, 8, 16, 512, 400)},
      {SAME(VP_Page_SetPageDrawDirection, VP_Page_DrawDirection_TopToBottom)},
      {SAME(VP_Page_DrawRect, 10, 20, 100, 50, 1)},
      {SAME(VP_Page_DrawBox, 10, 20, 100, 50, 3, 1)},
      {SAME(VP_Page_DrawText, 7, 9, "page")},
      {WIDE(VP_Page_DrawTextInUTF8, "é\xF0\x9F\x98\x80", L"é\U0001F600", 7, 9)},
      {WIDE(VP_Page_DrawTextInGBK, "中文", L"中文", 7, 9)},
      {WIDE(VP_Page_DrawTextInBIG5, "中", L"中", 7, 9)},
      {WIDE(VP_Page_DrawTextInShiftJIS, "日本", L"日本", 7, 9)},
      {WIDE(VP_Page_DrawTextInEUCKR, "한국", L"한국", 7, 9)},
      {SAME(VP_Page_DrawBarcode, 7, 9, VP_Pos_BarcodeType_EAN13, "123456789012")},
      {SAME(VP_Page_DrawQRCode, 7, 9, 2, VP_QRCodeECC_H, "page qr")},

      // Black-mark paper.
      {SAME(VP_BlackMark_EnableBlackMarkMode)},
      {SAME(VP_BlackMark_DisableBlackMarkMode)},
      {SAME(VP_BlackMark_SetBlackMarkMaxFindLength, 70000)},
      {SAME(VP_BlackMark_FindNextBlackMark)},
      {SAME(VP_BlackMark_SetBlackMarkPaperPrintPosition, -100)},
      {SAME(VP_BlackMark_SetBlackMarkPaperCutPosition, 120)},
      {SAME(VP_BlackMark_FullCutBlackMarkPaper)},
      {SAME(VP_BlackMark_HalfCutBlackMarkPaper)},

      // Labels.
      {SAME(VP_Label_EnableLabelMode)},
      {SAME(VP_Label_DisableLabelMode)},
      {SAME(VP_Label_CalibrateLabel)},
      {SAME(VP_Label_FeedLabel)},
      {SAME(VP_Label_PageBegin, 8, 16, 400, 240, VP_Label_Rotation_90)},
      {SAME(VP_Label_PagePrint, 2)},
      {SAME(VP_Label_DrawText, 11, 22, 3, 4, "label")},
      {WIDE(VP_Label_DrawTextInUTF8, "é\xF0\x9F\x98\x80", L"é\U0001F600", 11, 22, 3, 4)},
      {WIDE(VP_Label_DrawTextInGBK, "中文", L"中文", 11, 22, 3, 4)},
      {SAME(VP_Label_DrawBarcode, 11, 22, VP_Label_BarcodeType_CODE128,
            VP_Label_BarcodeTextPrintPosition_BelowBarcode, 60, 3, VP_Label_Rotation_90, "12345")},
      {SAME(VP_Label_DrawQRCode, 11, 22, 2, VP_QRCodeECC_Q, 5, VP_Label_Rotation_270, "label qr")},
      {SAME(VP_Label_DrawPDF417Code, 11, 22, 5, 3, 2, 4, VP_Label_Rotation_180, "pdf")},
      {SAME(VP_Label_DrawLine, 11, 22, 300, 44, 3, VP_Label_Color_Black)},
      {SAME(VP_Label_DrawRect, 11, 22, 100, 50, VP_Label_Color_Black)},
      {SAME(VP_Label_DrawBox, 11, 22, 100, 50, 3, VP_Label_Color_Black)},

      // Pictures: scaled to 32 x 16, or 20 x 12 pixels in rows of 21 bytes.
      {SAME(VP_Pos_PrintRasterImageFromFile, 32, 16, file, diffusion, run_length)},
      {SAME(VP_Pos_PrintRasterImageFromData, 32, 16, encoded, encoded_size, diffusion, run_length)},
      {SAME(VP_Pos_PrintRasterImageFromPixels, picture, 252, 20, 12, 21, gray, diffusion,
            run_length)},
      {SAME(VP_Page_DrawRasterImageFromFile, 7, 9, 32, 16, file, diffusion)},
      {SAME(VP_Page_DrawRasterImageFromData, 7, 9, 32, 16, encoded, encoded_size, diffusion)},
      {SAME(VP_Page_DrawRasterImageFromPixels, 7, 9, picture, 252, 20, 12, 21, gray, diffusion)},
      {SAME(VP_Label_DrawImageFromFile, 11, 22, 32, 16, file, threshold, jbig)},
      {SAME(VP_Label_DrawImageFromData, 11, 22, 32, 16, encoded, encoded_size, threshold, jbig)},
      {SAME(VP_Label_DrawImageFromPixels, 11, 22, picture, 252, 20, 12, 21, gray, threshold, jbig)},

      // Values beyond the flat parameter's type, and ranges past the caller's array.
      {REFUSED(VP_Pos_FeedLine, false, kTooBig)},
      {REFUSED(VP_Page_DrawTextInUTF8, false, kTooBig, 9, "a")},
      {REFUSED(VP_Label_DrawImageFromData, false, Int{1} << 40, 22, 32, 16, encoded, encoded_size,
               threshold, jbig)},
      {REFUSED(VP_Port_Write, Int{-1}, six, 4, Int{1} << 32)},
      {"VP_Port_OpenMemoryBuffer", [&](Int) { return Show(velmora::VP_Port_OpenMemoryBuffer(-1)); },
       [&](void *) { return Show(Int{0}); }, kQuiet},
      {REFUSED(VP_Port_Write, Int{-1}, six, 7, 1000)},
      {REFUSED(VP_Port_Write, Int{-1}, six, 4, 3, 1000)},
      {REFUSED(VP_Port_Write, Int{-1}, six, -1, 2, 1000)},
      {REFUSED(VP_Port_Write, Int{-1}, six, INTPTR_MAX, 2, 1000)},
      {REFUSED(VP_Port_Read, Int{-1}, scratch, 5, 0)},
      {REFUSED(VP_Port_ReadUntilByte, Int{-1}, scratch, 5, 0, 0x0A)},
      {REFUSED(VP_Pos_PrintMultipleHorizontalLinesAtOneRow, false, 4, starts, ends)},
      {REFUSED(VP_Pos_PrintMultipleHorizontalLinesAtOneRow, false, 1, too_big, too_big)},
      {REFUSED(VP_Pos_PrintRasterImageFromData, false, 32, 16, encoded, encoded_size + 1, diffusion,
               run_length)},
      {REFUSED(VP_Pos_PrintRasterImageFromPixels, false, picture, 253, 20, 12, 21, gray, diffusion,
               run_length)},
      {REFUSED(VP_Page_DrawRasterImageFromData, false, 7, 9, 32, 16, encoded, encoded_size + 1,
               diffusion)},
      {REFUSED(VP_Page_DrawRasterImageFromPixels, false, 7, 9, picture, 253, 20, 12, 21, gray,
               diffusion)},
      {REFUSED(VP_Label_DrawImageFromData, false, 11, 22, 32, 16, encoded, encoded_size + 1,
               threshold, jbig)},
      {REFUSED(VP_Label_DrawImageFromPixels, false, 11, 22, picture, 253, 20, 12, 21, gray,
               threshold, jbig)},

      // Printer requests; the label adjustments are not sent while the dots per mm are unknown.
      {SAME(VP_Printer_SetPrinterLabelPositionAdjustmentInfo, -0.25, 3.0), kQuiet},
      {SAME(VP_Printer_ClearPrinterBuffer)},
      {SAME(VP_Printer_ClearPrinterError)},

      // Device protocol: the requests sent to a printer that never answers (each waits its 500 ms,
      // ample for the request to go out before the deadline), and the settings packages.
      {SAME(VP_Proto_QueryBatteryLevel, 500)},
      {"VP_Proto_QuerySerialNumber",
       [&](Int h) { return Show(velmora::VP_Proto_QuerySerialNumber(h, 500).has_value()); },
       [&](void *p) {
         char text[256] = {};
         return Show(::VP_Proto_QuerySerialNumber(p, text, 256, 500) != -1);
       }},
      {SAME(VP_Proto_SetSystemNameAndSerialNumber, "VP-80", "SN-42")},
      {SAME(VP_Proto_SetBluetoothNameAndPassword, "VP-BT", "1234")},
      {SAME(VP_Proto_SetPTPBasicParameters, 115200, 17, 5, 1, 30, 600, 1800, 400, 250)},
      {SAME(VP_Settings_Hardware_SetPrintSpeed, 3)},
  };

  // The module's port is read and emptied through the module. The exit flag ends a print-result
  // query at once.
  std::set<std::string> covered(kTestedElsewhere);
  covered.insert({"VP_Port_GetMemoryBufferData", "VP_Port_ClearMemoryBufferData"});
  for (const Row &row : rows) {
    SCOPED_TRACE(row.name);
    covered.insert(row.name);
    MemoryPort module_port(row.capacity), flat_port(row.capacity);
    const Int h = reinterpret_cast<Int>(module_port.handle());
    for (void *port : {module_port.handle(), flat_port.handle()}) ::VP_Pos_SetExitQueryCmd(port, 1);
    EXPECT_EQ(row.module(h), row.flat(flat_port.handle()));
    const std::string want = flat_port.TakeHex();
    EXPECT_EQ(ToHex(velmora::VP_Port_GetMemoryBufferData(h)), want);
    EXPECT_EQ(!want.empty(), row.writes) << want;
    EXPECT_EQ(velmora::VP_Port_ClearMemoryBufferData(h),
              ::VP_Port_ClearMemoryBufferData(flat_port.handle()) != 0);
    EXPECT_TRUE(module_port.Bytes().empty());
    EXPECT_EQ(row.module(0), row.flat(nullptr)) << "handle 0";
  }

  // Every function the module headers declare has a row or is listed above.
  std::set<std::string> declared;
  for (const auto &header : std::filesystem::directory_iterator(VELMORA_MODULE_HEADERS)) {
    std::ifstream in(header.path());
    for (std::string line; std::getline(in, line);) {
      const size_t open = line.find('(');
      if (line.rfind("VP_API ", 0) != 0 || open == std::string::npos) continue;
      const size_t name = line.rfind(' ', open) + 1;  // "VP_API type name(" on one line
      declared.insert(line.substr(name, open - name));
    }
  }
  EXPECT_GT(declared.size(), 150u);
  for (const std::string &name : declared) {
    EXPECT_TRUE(covered.count(name) || name.ends_with("Event")) << name;
  }
}

}  // namespace
}  // namespace velmora::test
