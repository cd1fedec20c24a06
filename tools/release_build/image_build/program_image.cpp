#include "tools/release_build/image_build/program_image.h"

#include "image/byte_io.h"
#include "image/form_codec.h"
#include "image/program_layout.h"
#include "program/build_settings.h"
#include "program/global_slots.h"
#include "program/main_window_form.h"
#include "program/pictures.h"
#include "program/program_settings.h"
#include "program/routine_names.h"

namespace image {

using namespace program;
namespace {

std::vector<Library> Libraries() {
  return {
      {"krnln", "51BA3E78ECB216F4A22EA41505A64625", 4, 6, "系统核心支持库"},
      {"OrvThread", "0D8708ADA9F4C810A8625D84D75FBB4D", 1, 1, "多线程支持库"},
      {"orvCompress", "EEF904447203CA1FB0729A3D5354BC0E", 1, 1, "压缩解压支持库"},
  };
}

// The library data types the code works with: library number in the high
// half, type number in the low half.
constexpr uint32_t kDataTypes[] = {
    0x0001000F,  // list box: item operations on the keyword lists
    0x0001001D,  // hyperlink box: setting and opening the feedback link
    0x00030001,  // unpacker: unpacking "bank.zip"
};

constexpr size_t kHelpSize = 52;

Segment DataSegment(SegmentId id, uint32_t flags, std::vector<uint8_t> data) {
  Segment segment;
  segment.name = std::string(kSegmentNames[static_cast<size_t>(id)]);
  segment.flags = flags;
  segment.memorySize = static_cast<uint32_t>(data.size());
  segment.data = std::move(data);
  return segment;
}

// The byte-set constants in directory order: the pictures, then the settings
// in the order of program::kSettings (the update public key first, where it
// stood before the other settings were constants).
std::optional<std::vector<std::pair<std::string, std::string>>> Constants(std::string_view hexKey, std::string& error) {
  std::vector<std::pair<std::string, std::string>> constants = {
      {std::string(kAnswerTemplateConstant), std::string(AnswerTemplate())},
      {std::string(kAnswerPlaceholderConstant), std::string(AnswerPlaceholder())},
      {std::string(kReferenceAnswerPlaceholderConstant), std::string(ReferenceAnswerPlaceholder())},
  };
  std::optional<std::string> key = UpdatePublicKeyConstant(hexKey, error);
  if (!key) return std::nullopt;
  constants.emplace_back(kUpdatePublicKeyConstant, std::move(*key));
  for (const SettingSlot& setting : kSettings) {
    if (setting.kind == SettingKind::PublicKey) continue;
    std::optional<std::string> slot = SlotBytes(setting, BuildSetting(setting), error);
    if (!slot) {
      error = "a build setting: " + error;
      return std::nullopt;
    }
    constants.emplace_back(setting.constant, std::move(*slot));
  }
  return constants;
}

}  // namespace

std::string_view ConfiguredUpdatePublicKey() { return TESSALY_UPDATE_PUBLIC_KEY; }

std::string_view BuildSetting(const SettingSlot& setting) {
  if (setting.constant == kPublicUpdateHostConstant) return TESSALY_PUBLIC_UPDATE_HOST;
  if (setting.constant == kLanUpdateHostConstant) return TESSALY_LAN_UPDATE_HOST;
  if (setting.constant == kFeedbackHostConstant) return TESSALY_FEEDBACK_HOST;
  if (setting.constant == kFeedbackUserIdConstant) return TESSALY_FEEDBACK_USERID;
  if (setting.constant == kUpdateProxyConstant) return TESSALY_UPDATE_PROXY;
  return TESSALY_UPDATE_PUBLIC_KEY;
}

std::optional<std::string> UpdatePublicKeyConstant(std::string_view hexKey, std::string& error) {
  std::optional<std::string> bytes = SlotBytes(kUpdatePublicKeySetting, hexKey, error);
  if (!bytes) error = "the update public key: " + error;
  return bytes;
}

std::optional<ProgramImage> TessalyImage(std::string_view hexKey, std::string& error) {
  ProgramImage image;
  image.libraries = Libraries();

  std::optional<std::vector<std::pair<std::string, std::string>>> named = Constants(hexKey, error);
  if (!named) return std::nullopt;
  ConstBuilder constants(std::move(*named));
  for (const FunctionDeclaration& function : DeclaredFunctionList()) {
    const uint32_t dll = constants.Text(function.dll);
    const uint32_t name = constants.Text(function.name);
    image.functions.push_back({dll, name, function.dll, function.name});
  }

  CodeContents code;
  for (const char* routine : RoutineNames()) code.routineNames.push_back(constants.Text(routine));
  code.entryName = constants.Text(kEntryRoutineName);
  const rt::FormDefinition& form = MainWindowForm();
  code.identifiers.push_back(form.window.id);
  for (const rt::UnitDefinition& control : form.controls) code.identifiers.push_back(control.id);
  code.functionCount = static_cast<uint32_t>(DeclaredFunctionList().size());
  code.libraryIndices = {kThreadLibrary, kCompressionLibrary};
  code.dataTypes.assign(std::begin(kDataTypes), std::end(kDataTypes));
  CodeSegment codeSegment = BuildCodeSegment(code);

  std::string formError;
  std::optional<std::vector<uint8_t>> formData = EncodeForm(
      form,
      [](std::string_view handler) -> std::optional<uint32_t> {
        const std::optional<uint32_t> index = RoutineIndex(handler);
        if (!index) return std::nullopt;
        return RoutineOffset(*index);
      },
      formError);
  if (!formData) {
    error = "the main window's definition cannot be stored: " + formError;
    return std::nullopt;
  }

  image.segments.push_back(DataSegment(SegmentId::Const, kReadOnlyData, constants.Finish()));
  image.segments.push_back(DataSegment(SegmentId::Form, kReadOnlyData, std::move(*formData)));
  image.segments.push_back(DataSegment(SegmentId::Help, kReadOnlyData, std::vector<uint8_t>(kHelpSize, 0)));
  image.segments.push_back(std::move(codeSegment.segment));
  Segment var = DataSegment(SegmentId::Var, kZeroedGlobals, {});
  var.memorySize = sizeof(GlobalSlots);  // twelve pointer-wide slots, nothing stored
  image.segments.push_back(std::move(var));
  image.entryOffset = codeSegment.entryOffset;
  image.bindings = std::move(codeSegment.bindings);
  return image;
}

std::optional<std::vector<uint8_t>> TessalyImageBytes(std::string_view hexKey, std::string& error) {
  const std::optional<ProgramImage> content = TessalyImage(hexKey, error);
  if (!content) return std::nullopt;
  std::optional<std::vector<uint8_t>> bytes = WriteImage(*content, error);
  if (!bytes) return std::nullopt;

  std::optional<ReadImageResult> read = ReadImage(*bytes, error);
  if (!read) return std::nullopt;
  const ProgramImage& image = read->image;
  const auto fail = [&](std::string message) -> std::optional<std::vector<uint8_t>> {
    error = std::move(message);
    return std::nullopt;
  };
  std::optional<std::vector<RoutineEntry>> directory =
      ReadRoutineDirectory(image.segment(SegmentId::Code).data, image.segment(SegmentId::Const).data, error);
  if (!directory) return std::nullopt;
  if (directory->size() != RoutineNames().size() + 1) return fail("the routine directory does not list every routine");
  for (size_t i = 0; i < RoutineNames().size(); ++i) {
    if ((*directory)[i].name != RoutineNames()[i]) return fail("routine " + std::to_string(i) + " is misnamed");
  }
  if (RoutineOffset(static_cast<uint32_t>(RoutineNames().size())) != image.entryOffset) {
    return fail("the entry offset does not name the entry routine's directory entry");
  }
  std::unique_ptr<DecodedForm> decoded =
      DecodeForm(image.segment(SegmentId::Form).data, HandlerNamesOf(std::move(*directory)), error);
  if (!decoded) return std::nullopt;
  const std::string difference = FormDifference(decoded->form(), MainWindowForm());
  if (!difference.empty()) return fail("the stored window definition differs from the program's: " + difference);
  std::optional<std::vector<NamedConstant>> constants = ReadConstants(image.segment(SegmentId::Const).data, error);
  if (!constants) return std::nullopt;
  const std::vector<std::pair<std::string, std::string>> expected = *Constants(hexKey, error);
  if (constants->size() != expected.size()) return fail("\"const\" does not hold the program's constants");
  for (size_t i = 0; i < expected.size(); ++i) {
    const NamedConstant& constant = (*constants)[i];
    if (constant.name != expected[i].first || detail::AsText(constant.bytes) != expected[i].second) {
      return fail("constant " + expected[i].first + " is not stored as the program has it");
    }
  }
  return bytes;
}

}  // namespace image
