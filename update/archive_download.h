// The one way both upgrades download an archive of the update server
// (zentra/bank.zip, zentra/zentra.rar): one download of each kind at a time,
// watched by what arrives (update/download_limits.h), its progress on the
// status line, then checked (the size the version file names, what a program
// archive looks like, the signature) before the caller writes anything.
#pragma once

#include "runtime/data/blocks.h"
#include "update/signed_versions.h"

// Held for the whole of an upgrade of its kind (download, and for a bank the
// install); a second upgrade of the kind started meanwhile (from a click
// handled while the download waits, or a self-repair) finds it taken and is
// refused rather than run over the first.
class ArchiveDownloadGuard {
 public:
  explicit ArchiveDownloadGuard(ArchiveKind kind);
  ~ArchiveDownloadGuard();
  ArchiveDownloadGuard(const ArchiveDownloadGuard&) = delete;
  ArchiveDownloadGuard& operator=(const ArchiveDownloadGuard&) = delete;
  bool owned() const { return owned_; }

 private:
  ArchiveKind kind_;
  bool owned_;
};

struct ArchiveDownload {
  enum class Outcome {
    Fetched,       // `archive` holds it, checked
    Failed,        // nothing came (no server, nothing for 90 s, too long, cut short as HTTP tells)
    CutShort,      // not the size the version file names
    NotAnArchive,  // a program download that is no archive a student can unpack (an error page)
    NotSigned,     // not the archive the school signed for this kind
  };
  Outcome outcome = Outcome::Failed;
  rt::ByteSet archive;
};

// Downloads and checks the server's archive of this kind. While it arrives,
// the status line says how far it has come ("正在下载题库…… 45%"), except
// for ten seconds after the window wrote a text of its own there (the student
// practises on); once it has ended, a status line still showing the progress
// shows again what it showed before, for the caller's texts to follow.
ArchiveDownload DownloadArchive(ArchiveKind kind);
