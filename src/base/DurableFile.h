// Replaces a file so that a power cut at any moment leaves either the old
// content or the new one, never an empty or half-written file: the new
// content goes to a fresh file beside the target, reaches the disk, and only
// then is moved over the target in one step; on POSIX the folder is synced
// after the move so that the move itself is on the disk too. On Windows the
// data is flushed (FlushFileBuffers) and the move is a write-through
// MoveFileExW.
//
// It also reads a file whole, with a limit, for the same callers.
//
// This is one of the few places where the core calls the operating system:
// the standard library can neither sync a file nor move one write-through.
#pragma once

#include <filesystem>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace pw {

class DurableFile {
 public:
  // The steps of Replace, in order. SyncFolder exists on POSIX only.
  enum class Step { Create, Write, SyncData, Close, Move, SyncFolder };

  // Writes `content` to a new file in target's folder and moves it over
  // target. `keepPerms`, when given, become the new file's permissions before
  // the move. False when any step up to the move fails: target is then as it
  // was and the new file is removed. A failed folder sync after the move
  // still returns true, since the new content is in place (some file
  // systems cannot sync a folder at all).
  //
  // On Windows a target that another program holds open cannot be replaced
  // this way (the move is refused): the save fails and the old file stays.
  static bool Replace(const std::filesystem::path& target, std::string_view content,
                      const std::filesystem::perms* keepPerms = nullptr);

  // Reads a whole file. Missing when there is none; Unusable when it is not
  // a regular file, cannot be read, or holds more than maxSize bytes (also
  // when it grows past that while being read).
  enum class ReadState { Ok, Missing, Unusable };
  static ReadState Read(const std::filesystem::path& path, std::string& content, std::uintmax_t maxSize);

  // For tests: called before each step; returning false makes that step fail
  // as if the system had refused it. An empty function removes the observer.
  static void SetStepObserver(std::function<bool(Step)> observer);
};

}  // namespace pw
