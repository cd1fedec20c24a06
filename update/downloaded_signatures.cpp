#include "program/constant_names.h"
#include "program/file_names.h"
#include "runtime/ini.h"
#include "runtime/places.h"
#include "runtime/program.h"
#include "update/signatures.h"

using namespace program;

bool DownloadedArchiveAccepted(const rt::ByteSet& archive, const char* signatureKey) {
  const rt::ByteSet publicKey = rt::ByteSetConstant(kUpdatePublicKeyConstant);
  const rt::Text signature = rt::ReadIniItem(rt::ProgramFile(kServerVersionFileName), kVersionSection, signatureKey);
  return ArchiveSignatureAccepted(publicKey.view(), signature.view(), archive.view());
}
