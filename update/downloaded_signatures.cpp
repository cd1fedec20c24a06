#include "program/constant_names.h"
#include "program/file_names.h"
#include "runtime/program.h"
#include "update/server_probe.h"
#include "update/signatures.h"

using namespace program;

bool DownloadedArchiveAccepted(const rt::ByteSet& archive, const char* signatureKey) {
  const rt::ByteSet publicKey = rt::ByteSetConstant(kUpdatePublicKeyConstant);
  const rt::Text signature = ServerVersionItem(signatureKey);
  return ArchiveSignatureAccepted(publicKey.view(), signature.view(), archive.view());
}
