// The command layer's cost over a raw port write: a receipt built from command functions
// against one write of the same bytes, page-mode text with placement and GBK conversion, and
// the Code 128 automatic encoding.
#include <benchmark/benchmark.h>

#include <vector>

#include "nzcommon/nzbarcode/Code128Auto.h"
#include "velmora/velmora.h"

namespace {

constexpr unsigned int kCapacity = 1u << 20;

// A short receipt: settings, three text lines, a barcode, a QR code, a rule, a cut.
void PrintReceipt(void *h) {
  VP_Pos_ResetPrinter(h);
  VP_Pos_SetAlignment(h, VP_Pos_Alignment_HCenter);
  VP_Pos_SetTextScale(h, 1, 1);
  VP_Pos_PrintText(h, "VELMORA STORE\n");
  VP_Pos_SetTextScale(h, 0, 0);
  VP_Pos_PrintTextInGBK(h, L"商品 Coffee 1 x 3.50\n");
  VP_Pos_PrintText(h, "Total 3.50\n");
  VP_Pos_PrintBarcode_Code128Auto(h, "No.20211013001");
  VP_Pos_PrintQRCode(h, 0, VP_QRCodeECC_M, "https://example.invalid/r/20211013001");
  VP_Pos_PrintHorizontalLine(h, 0, 575);
  VP_Pos_FeedAndHalfCutPaper(h);
}

void BM_ReceiptThroughCommandFunctions(benchmark::State &state) {
  void *h = VP_Port_OpenMemoryBuffer(kCapacity);
  for (auto _ : state) {
    VP_Port_ClearMemoryBufferData(h);
    PrintReceipt(h);
  }
  state.SetLabel(std::to_string(VP_Port_GetMemoryBufferDataLength(h)) + " bytes");
  VP_Port_Close(h);
}
BENCHMARK(BM_ReceiptThroughCommandFunctions);

using Pieces = std::vector<std::vector<unsigned char>>;

void RecordPiece(void *, unsigned char *buffer, unsigned int count, void *pieces) {
  static_cast<Pieces *>(pieces)->emplace_back(buffer, buffer + count);
}

// The same bytes, written in the same pieces with VP_Port_Write.
void BM_ReceiptAsRawWrites(benchmark::State &state) {
  void *h = VP_Port_OpenMemoryBuffer(kCapacity);
  Pieces pieces;
  VP_Port_AddOnPortWrittenEvent(RecordPiece, &pieces);
  PrintReceipt(h);
  VP_Port_RemoveOnPortWrittenEvent(RecordPiece);
  for (auto _ : state) {
    VP_Port_ClearMemoryBufferData(h);
    for (const auto &piece : pieces) {
      VP_Port_Write(h, piece.data(), static_cast<unsigned int>(piece.size()), 1000);
    }
  }
  state.SetLabel(std::to_string(pieces.size()) + " writes");
  VP_Port_Close(h);
}
BENCHMARK(BM_ReceiptAsRawWrites);

void BM_PageDrawTextInGBKCentred(benchmark::State &state) {
  void *h = VP_Port_OpenMemoryBuffer(kCapacity);
  VP_Page_SelectPageModeEx(h, 180, 360, 0, 0, 576, 800);
  for (auto _ : state) {
    VP_Port_ClearMemoryBufferData(h);
    VP_Page_DrawTextInGBK(h, -2, -2, L"中文 Receipt 收据");
  }
  VP_Port_Close(h);
}
BENCHMARK(BM_PageDrawTextInGBKCentred);

void BM_Code128AutoEncoding(benchmark::State &state) {
  for (auto _ : state) {
    benchmark::DoNotOptimize(velmora::nzcommon::EncodeCode128Auto("INV-2021-10-13-0001234567"));
  }
}
BENCHMARK(BM_Code128AutoEncoding);

}  // namespace
