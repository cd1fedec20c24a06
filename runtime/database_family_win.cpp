// The program's one question bank, found in the program directory.
#include "runtime/data/database.h"
#include "runtime/files/places.h"

namespace rt {
namespace {
Database& Bank() {
  static Database bank;
  return bank;
}
}  // namespace

bool OpenDatabase(std::string_view name) {
  std::string file(name);
  file += kDatabaseExtension;
  return Bank().Open(ProgramFile(file).view());
}

void CloseDatabase() { Bank().Close(); }

bool DatabaseOpens(std::string_view gbkPath) {
  Database check;
  return check.Open(gbkPath);
}
int32_t RecordCount() { return Bank().RecordCount(); }
int32_t CurrentRecordNumber() { return Bank().CurrentRecord(); }
void SkipRecords(int32_t count) { Bank().Skip(count); }
void GoToRecord(int32_t record) { Bank().GoTo(record); }
FieldValue ReadField(std::string_view name) { return Bank().ReadField(name); }

}  // namespace rt
