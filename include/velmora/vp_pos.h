/* Receipt commands: text, symbols, rules, paper handling and print settings.
 * Every function takes a port handle and returns 1 when the whole command was written, 0
 * otherwise (a null or closed handle, a short write, or input the command cannot carry).
 * Unless a line below says otherwise, a parameter that goes out as one byte is sent as its low
 * 8 bits and a 16-bit one as its low 16 bits: a value out of range is cut, not refused (a byte
 * of 256 goes out as 0). */
#ifndef VELMORA_VP_POS_H
#define VELMORA_VP_POS_H

#include "velmora/vp_common.h"

VP_EXTERN_C_BEGIN

/* Symbology byte m of GS k m n (the form with a length byte). */
typedef enum VP_Pos_BarcodeType VP_ENUM_TYPE {
  VP_Pos_BarcodeType_UPCA = 0x41,
  VP_Pos_BarcodeType_UPCE = 0x42,
  VP_Pos_BarcodeType_EAN13 = 0x43,
  VP_Pos_BarcodeType_EAN8 = 0x44,
  VP_Pos_BarcodeType_CODE39 = 0x45,
  VP_Pos_BarcodeType_ITF = 0x46,
  VP_Pos_BarcodeType_CODABAR = 0x47,
  VP_Pos_BarcodeType_CODE93 = 0x48,
  VP_Pos_BarcodeType_CODE128 = 0x49
} VP_Pos_BarcodeType;

/* QR error-correction level. */
typedef enum VP_QRCodeECC VP_ENUM_TYPE {
  VP_QRCodeECC_L = 1,
  VP_QRCodeECC_M = 2,
  VP_QRCodeECC_Q = 3,
  VP_QRCodeECC_H = 4
} VP_QRCodeECC;

/* International character set, the n of ESC R n. */
typedef enum VP_CharacterSet VP_ENUM_TYPE {
  VP_CharacterSet_USA = 0,
  VP_CharacterSet_FRANCE = 1,
  VP_CharacterSet_GERMANY = 2,
  VP_CharacterSet_UK = 3,
  VP_CharacterSet_DENMARK_I = 4,
  VP_CharacterSet_SWEDEN = 5,
  VP_CharacterSet_ITALY = 6,
  VP_CharacterSet_SPAIN_I = 7,
  VP_CharacterSet_JAPAN = 8,
  VP_CharacterSet_NORWAY = 9,
  VP_CharacterSet_DENMARK_II = 10,
  VP_CharacterSet_SPAIN_II = 11,
  VP_CharacterSet_LATIN_AMERICA = 12,
  VP_CharacterSet_KOREA = 13,
  VP_CharacterSet_SLOVENIA_CROATIA = 14,
  VP_CharacterSet_CHINA = 15
} VP_CharacterSet;

/* Single-byte code page, the n of ESC t n. */
typedef enum VP_CharacterCodepage VP_ENUM_TYPE {
  VP_CharacterCodepage_CP437 = 0,
  VP_CharacterCodepage_KATAKANA = 1,
  VP_CharacterCodepage_CP850 = 2,
  VP_CharacterCodepage_CP860 = 3,
  VP_CharacterCodepage_CP863 = 4,
  VP_CharacterCodepage_CP865 = 5,
  VP_CharacterCodepage_WCP1252 = 16,
  VP_CharacterCodepage_CP866 = 17,
  VP_CharacterCodepage_CP852 = 18,
  VP_CharacterCodepage_CP858 = 19
} VP_CharacterCodepage;

/* Multi-byte encoding of the printer's text, the n of 1B 39 n. */
typedef enum VP_MultiByteEncoding VP_ENUM_TYPE {
  VP_MultiByteEncoding_GBK = 0,
  VP_MultiByteEncoding_UTF8 = 1,
  VP_MultiByteEncoding_BIG5 = 3,
  VP_MultiByteEncoding_SHIFT_JIS = 4,
  VP_MultiByteEncoding_EUC_KR = 5
} VP_MultiByteEncoding;

/* The n of ESC a n. */
typedef enum VP_Pos_Alignment VP_ENUM_TYPE {
  VP_Pos_Alignment_Left = 0,
  VP_Pos_Alignment_HCenter = 1,
  VP_Pos_Alignment_Right = 2
} VP_Pos_Alignment;

/* Where a barcode's readable text goes, the n of GS H n. */
typedef enum VP_Pos_BarcodeTextPrintPosition VP_ENUM_TYPE {
  VP_Pos_BarcodeTextPrintPosition_None = 0,
  VP_Pos_BarcodeTextPrintPosition_AboveBarcode = 1,
  VP_Pos_BarcodeTextPrintPosition_BelowBarcode = 2,
  VP_Pos_BarcodeTextPrintPosition_AboveAndBelowBarcode = 3
} VP_Pos_BarcodeTextPrintPosition;

/* ESC p: one pulse on drawer output nDrawerIndex (0: connector pin 2, 1: pin 5), on for
 * nHighLevelTime and then off for nLowLevelTime, each 0..255 in units of 2 ms (100: 200 ms). */
VP_API int VP_Pos_KickOutDrawer(void *handle, int nDrawerIndex, int nHighLevelTime,
                                int nLowLevelTime);
/* nBeepCount beeps of nBeepMs each, sent in whole tenths of a second (nBeepMs / 100, 0..255). */
VP_API int VP_Pos_Beep(void *handle, int nBeepCount, int nBeepMs);
VP_API int VP_Pos_FeedAndHalfCutPaper(void *handle);
VP_API int VP_Pos_FullCutPaper(void *handle);
VP_API int VP_Pos_HalfCutPaper(void *handle);
VP_API int VP_Pos_FeedLine(void *handle, int numLines);
/* Feeds numDots dots: 255 or more go as feeds of 255 and one of the rest; the result is that
 * of the last. */
VP_API int VP_Pos_FeedDot(void *handle, int numDots);
VP_API int VP_Pos_PrintSelfTestPage(void *handle);

/* The bytes of str up to its NUL, unchanged: no line feed is added, and the printer prints a
 * line once it gets one ("\n") or a feed command (VP_Pos_FeedLine). */
VP_API int VP_Pos_PrintText(void *handle, const char *str);
/* The wide-text conversion of the ...In<Encoding> text functions: the 0-terminated wide text
 * converted into `charset` ("UTF-8", "GBK", "BIG5", "SHIFT-JIS", "EUC-KR" or another iconv
 * name), as a newly allocated NUL-terminated copy that the caller frees with free(); null when
 * the converter cannot be opened or the text cannot be converted whole. */
VP_API char *iconv_wcstombs(const wchar_t *text, const char *charset);
VP_API int VP_Pos_PrintTextInUTF8(void *handle, const wchar_t *str);
VP_API int VP_Pos_PrintTextInGBK(void *handle, const wchar_t *str);
VP_API int VP_Pos_PrintTextInBIG5(void *handle, const wchar_t *str);
VP_API int VP_Pos_PrintTextInShiftJIS(void *handle, const wchar_t *str);
VP_API int VP_Pos_PrintTextInEUCKR(void *handle, const wchar_t *str);
VP_API int VP_Pos_PrintTextInBytes(void *handle, const char *data, int length);

/* GS k with the bytes of str unchanged (at most 255). For Code 128 the printer needs them to
 * begin with a code set, "{A", "{B" or "{C" (and a "{" of the data written "{{"): "{BNo. 42".
 * VP_Pos_PrintBarcode_Code128Auto takes plain text and chooses the code sets itself. */
VP_API int VP_Pos_PrintBarcode(void *handle, VP_Pos_BarcodeType nBarcodeType, const char *str);
/* Code 128 of plain text in 0x20..0x7F, with code sets chosen (runs of 4 or more digits in set
 * C); 0, nothing sent, for empty text, a byte outside that range, or more than 255 bytes once
 * encoded. */
VP_API int VP_Pos_PrintBarcode_Code128Auto(void *handle, const char *str);
/* nVersion 1..40 fixes the symbol size; 0 lets the printer choose the smallest version that
 * holds the text at the error-correction level. */
VP_API int VP_Pos_PrintQRCode(void *handle, int nVersion, VP_QRCodeECC nECCLevel, const char *str);
VP_API int VP_Pos_PrintQRCodeUseEpsonCmd(void *handle, int nQRCodeUnitWidth, VP_QRCodeECC nECCLevel,
                                         const char *str);
VP_API int VP_Pos_PrintDoubleQRCode(void *handle, int nQRCodeUnitWidth, int nQR1Position,
                                    int nQR1Version, VP_QRCodeECC nQR1ECCLevel, const char *strQR1,
                                    int nQR2Position, int nQR2Version, VP_QRCodeECC nQR2ECCLevel,
                                    const char *strQR2);
VP_API int VP_Pos_PrintPDF417BarcodeUseEpsonCmd(void *handle, int columnCount, int rowCount,
                                                int unitWidth, int rowHeight, int nECCLevel,
                                                int dataProcessingMode, const char *str);

VP_API int VP_Pos_PrintHorizontalLine(void *handle, int nLineStartPosition, int nLineEndPosition);
VP_API int VP_Pos_PrintHorizontalLineSpecifyThickness(void *handle, int nLineStartPosition,
                                                      int nLineEndPosition, int nLineThickness);
/* nLineCount 0..255 goes out as one byte: any other count is refused (0, nothing sent). */
VP_API int VP_Pos_PrintMultipleHorizontalLinesAtOneRow(void *handle, int nLineCount,
                                                       int *pLineStartPosition,
                                                       int *pLineEndPosition);

VP_API int VP_Pos_ResetPrinter(void *handle);
/* Print speed in mm/s (16 bits) for what is printed after it: a command in the print stream,
 * as the image print job puts in front of its job. VP_Settings_Hardware_SetPrintSpeed
 * (vp_proto.h) sets the printer's own speed setting instead, through a device package. */
VP_API int VP_Pos_SetPrintSpeed(void *handle, int nSpeed);
VP_API int VP_Pos_SetPrintDensity(void *handle, int nDensity);
VP_API int VP_Pos_SetSingleByteMode(void *handle);
VP_API int VP_Pos_SetCharacterSet(void *handle, VP_CharacterSet nCharacterSet);
VP_API int VP_Pos_SetCharacterCodepage(void *handle, VP_CharacterCodepage nCharacterCodepage);
VP_API int VP_Pos_SetMultiByteMode(void *handle);
VP_API int VP_Pos_SetMultiByteEncoding(void *handle, VP_MultiByteEncoding nEncoding);
VP_API int VP_Pos_SetMovementUnit(void *handle, int nHorizontalMovementUnit,
                                  int nVerticalMovementUnit);
VP_API int VP_Pos_SetPrintAreaLeftMargin(void *handle, int nLeftMargin);
VP_API int VP_Pos_SetPrintAreaWidth(void *handle, int nWidth);
VP_API int VP_Pos_SetHorizontalAbsolutePrintPosition(void *handle, int nPosition);
VP_API int VP_Pos_SetHorizontalRelativePrintPosition(void *handle, int nPosition);
VP_API int VP_Pos_SetVerticalAbsolutePrintPosition(void *handle, int nPosition);
VP_API int VP_Pos_SetVerticalRelativePrintPosition(void *handle, int nPosition);
VP_API int VP_Pos_SetAlignment(void *handle, VP_Pos_Alignment nAlignment);
/* Character width and height, 0..7 each: 0 normal, n makes it n + 1 times as large. Only the
 * low 3 bits of each are sent, so 8 means 0 and 9 means 1. */
VP_API int VP_Pos_SetTextScale(void *handle, int nWidthScale, int nHeightScale);
VP_API int VP_Pos_SetAsciiTextFontType(void *handle, int nFontType);
/* 1 bold on, 0 off (the printer reads only the lowest bit, so 2 is off). */
VP_API int VP_Pos_SetTextBold(void *handle, int nBold);
VP_API int VP_Pos_SetTextUnderline(void *handle, int nUnderline);
VP_API int VP_Pos_SetTextUpsideDown(void *handle, int nUpsideDown);
VP_API int VP_Pos_SetTextWhiteOnBlack(void *handle, int nWhiteOnBlack);
VP_API int VP_Pos_SetTextRotate(void *handle, int nRotate);
VP_API int VP_Pos_SetTextLineHeight(void *handle, int nLineHeight);
VP_API int VP_Pos_SetAsciiTextCharRightSpacing(void *handle, int nSpacing);
VP_API int VP_Pos_SetKanjiTextCharSpacing(void *handle, int nLeftSpacing, int nRightSpacing);
VP_API int VP_Pos_SetBarcodeUnitWidth(void *handle, int nBarcodeUnitWidth);
/* Bar height in dots, 1..255 (162 at power-on). */
VP_API int VP_Pos_SetBarcodeHeight(void *handle, int nBarcodeHeight);
VP_API int VP_Pos_SetBarcodeReadableTextFontType(void *handle, int nFontType);
VP_API int VP_Pos_SetBarcodeReadableTextPosition(void *handle,
                                                 VP_Pos_BarcodeTextPrintPosition nTextPosition);

VP_EXTERN_C_END

#endif
