// Where the answer file handed to the equation editor lives.
//
// It is "c:\ans.gif" wherever the root of drive C can be written. A standard
// (non-administrator) account on Windows cannot create files there, and a
// 64-bit program gets no file virtualization to hide that, so when the blank
// answer cannot be written to the root, the program moves to one answer file
// of the student's own (in the user's local application data folder) for the
// rest of the run: the blank answer is written there, the editor is started on
// it and the answer board reads it back. Touches no Windows interface.
#pragma once

#include <functional>
#include <string>
#include <string_view>

class AnswerFile {
 public:
  // Writes the blank answer to the file of that name; false when it cannot.
  using Writer = std::function<bool(std::string_view name)>;
  // The student's own answer file; empty when there is none.
  using PerUserFile = std::function<std::string()>;

  // Writes the blank answer to the answer file in use. When the root of C
  // refuses it, the student's own file becomes the answer file (when there is
  // one) and the blank answer is written there instead. False when no answer
  // file could be written.
  bool WriteBlank(const Writer& write, const PerUserFile& perUserFile);

  // The name the answer board reads the answer from.
  const std::string& Name() const { return name_; }
  // What follows the editor's command line: a blank, then the answer file,
  // quoted when its name holds a blank, since the editor takes it as one
  // argument.
  std::string CommandLineArgument() const;

 private:
  bool own_ = false;  // the student's own file is in use
  std::string name_ = "c:\\ans.gif";
};
