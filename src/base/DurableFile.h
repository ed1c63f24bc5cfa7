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

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace pw {

class DurableFile {
 public:
  // The steps of Replace, in order; SetAside comes before the move of every
  // file of a group but the last, where an old file exists. SyncFolder
  // exists on POSIX only.
  enum class Step { Create, Write, SyncData, Close, SetAside, Move, SyncFolder };

  // Writes `content` to a new file in target's folder and moves it over
  // target. `keepPerms`, when given, become the new file's permissions before
  // the move. False when any step up to the move fails: target is then as it
  // was and the new file is removed. A failed folder sync after the move
  // still returns true, since the new content is in place (some file
  // systems cannot sync a folder at all).
  //
  // Leftovers of an interrupted earlier save of target are cleaned up
  // first (see CleanUp).
  //
  // On Windows a target that another program holds open cannot be replaced
  // this way (the move is refused): the save fails and the old file stays.
  static bool Replace(const std::filesystem::path& target, std::string_view content,
                      const std::filesystem::perms* keepPerms = nullptr);

  // One file of a group that is replaced as a whole.
  struct NewContent {
    std::filesystem::path target;
    std::string_view content;
  };

  // Replaces every file of the group or none: all new contents are written
  // beside their targets first; then every old file but the last is set
  // aside (renamed beside it) before its new content moves in, and the last
  // move completes the group. When a step fails the old files go back where
  // they were, byte for byte, and a target that did not exist is gone
  // again; `failedAt`, when given, then names the file whose step failed.
  // A power cut in the middle leaves the set-aside files for CleanUp.
  static bool ReplaceAll(std::span<const NewContent> files, std::size_t* failedAt = nullptr);

  // What an interrupted save of target left beside it: temporary files are
  // removed, a set-aside old file is moved back over target (never
  // removed). Every save runs it first, so leftovers never pile up and
  // never make a save fail.
  static void CleanUp(const std::filesystem::path& target);

  // Reads a whole file. Missing when there is none; Unusable when it is not
  // a regular file, cannot be read, or holds more than maxSize bytes (also
  // when it grows past that while being read).
  enum class ReadState { Ok, Missing, Unusable };
  static ReadState Read(const std::filesystem::path& path, std::string& content, std::uintmax_t maxSize);

  // For tests: called before each step; returning false makes that step fail
  // as if the system had refused it. An empty function removes the observer.
  static void SetStepObserver(std::function<bool(Step)> observer);

 private:
  static bool ReplaceGroup(std::span<const NewContent> files, const std::filesystem::perms* keepPerms,
                           std::size_t* failedAt);
};

}  // namespace pw
