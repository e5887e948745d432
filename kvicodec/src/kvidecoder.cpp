#include <kvicodec/kvidecoder.h>

uint32_t CKVIDECODER::Reset() { return 0; }
uint32_t CKVIDECODER::ReadHeader() { return 0; }
uint32_t CKVIDECODER::ReadData() { return 0; }
uint32_t CKVIDECODER::DecompressImage() { return 0; }
uint32_t CKVIDECODER::ChangeColorTheme(uint32_t, uint32_t) { return 0; }
uint32_t CKVIDECODER::Decompress_ModeA1() { return 0; }
uint32_t CKVIDECODER::Decompress_ModeA1E() { return 0; }
uint32_t CKVIDECODER::Decompress_ModeA2() { return 0; }
uint32_t CKVIDECODER::Decompress_ModeA2E() { return 0; }
uint32_t CKVIDECODER::Decompress_ModeA3() { return 0; }
uint32_t CKVIDECODER::Decompress_ModeA3E() { return 0; }
uint32_t CKVIDECODER::Decompress_ModeB1() { return 0; }
unsigned int KVIDECODER_GetVersion(void) { return 1; }
