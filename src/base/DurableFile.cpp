#include "base/DurableFile.h"

#include <array>
#include <fstream>
#include <string>
#include <system_error>
#include <utility>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace pw {

namespace fs = std::filesystem;

namespace {

std::function<bool(DurableFile::Step)>& Observer() {
  static std::function<bool(DurableFile::Step)> observer;
  return observer;
}

// True when the step may go ahead.
bool Allowed(DurableFile::Step step) {
  const auto& observer = Observer();
  return !observer || observer(step);
}

enum class CreateResult { Created, NameTaken, Failed };

#ifdef _WIN32

class NewFile {
 public:
  ~NewFile() { Close(); }
  CreateResult Create(const fs::path& path) {
    handle_ = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle_ != INVALID_HANDLE_VALUE) return CreateResult::Created;
    const DWORD error = GetLastError();
    return (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) ? CreateResult::NameTaken
                                                                         : CreateResult::Failed;
  }
  bool Write(std::string_view data) {
    while (!data.empty()) {
      const DWORD chunk = data.size() > 0x10000000u ? 0x10000000u : static_cast<DWORD>(data.size());
      DWORD written = 0;
      if (!WriteFile(handle_, data.data(), chunk, &written, nullptr) || written == 0) return false;
      data.remove_prefix(written);
    }
    return true;
  }
  bool SyncData() { return FlushFileBuffers(handle_) != 0; }
  bool Close() {
    if (handle_ == INVALID_HANDLE_VALUE) return true;
    const bool ok = CloseHandle(handle_) != 0;
    handle_ = INVALID_HANDLE_VALUE;
    return ok;
  }

 private:
  HANDLE handle_ = INVALID_HANDLE_VALUE;
};

bool MoveOver(const fs::path& from, const fs::path& to) {
  return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

// The write-through move has already reached the disk.
bool SyncFolder(const fs::path&) { return true; }
constexpr bool kSyncsFolder = false;

#else

class NewFile {
 public:
  ~NewFile() { Close(); }
  CreateResult Create(const fs::path& path) {
    // 0666 as fopen would: the user's umask decides.
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd_ >= 0) return CreateResult::Created;
    return errno == EEXIST ? CreateResult::NameTaken : CreateResult::Failed;
  }
  bool Write(std::string_view data) {
    while (!data.empty()) {
      const ssize_t written = ::write(fd_, data.data(), data.size());
      if (written < 0 && errno == EINTR) continue;
      if (written <= 0) return false;
      data.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
  }
  bool SyncData() {
    int result = 0;
    do {
      result = ::fsync(fd_);
    } while (result != 0 && errno == EINTR);
    return result == 0;
  }
  bool Close() {
    if (fd_ < 0) return true;
    // Not retried on EINTR: the descriptor is gone either way.
    const bool ok = ::close(fd_) == 0;
    fd_ = -1;
    return ok;
  }

 private:
  int fd_ = -1;
};

bool MoveOver(const fs::path& from, const fs::path& to) { return ::rename(from.c_str(), to.c_str()) == 0; }

// The move is an entry in the folder: only syncing the folder makes it last.
bool SyncFolder(const fs::path& folder) {
  const fs::path name = folder.empty() ? fs::path(".") : folder;
  const int fd = ::open(name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  int result = 0;
  do {
    result = ::fsync(fd);
  } while (result != 0 && errno == EINTR);
  ::close(fd);
  return result == 0;
}
constexpr bool kSyncsFolder = true;

#endif

// Creates a new file beside target under a name that no file, folder or link
// has yet, so nothing that exists is ever written through.
bool CreateBeside(const fs::path& target, NewFile& file, fs::path& temp) {
  if (!Allowed(DurableFile::Step::Create)) return false;
  const fs::path folder = target.parent_path();
  const fs::path base = target.filename();
  for (int attempt = 0; attempt < 100; ++attempt) {
    fs::path name = base;
    name += ".~" + std::to_string(attempt) + ".tmp";
    temp = folder / name;
    switch (file.Create(temp)) {
      case CreateResult::Created:
        return true;
      case CreateResult::Failed:
        return false;  // cannot create files here
      case CreateResult::NameTaken:
        break;
    }
  }
  return false;
}

}  // namespace

void DurableFile::SetStepObserver(std::function<bool(Step)> observer) { Observer() = std::move(observer); }

bool DurableFile::Replace(const fs::path& target, std::string_view content, const fs::perms* keepPerms) {
  NewFile file;
  fs::path temp;
  if (!CreateBeside(target, file, temp)) return false;

  bool ok = Allowed(Step::Write) && file.Write(content);
  ok = ok && Allowed(Step::SyncData) && file.SyncData();
  const bool closed = file.Close();  // always, so the file can be removed on failure
  ok = ok && Allowed(Step::Close) && closed;

  std::error_code ec;
  if (ok && keepPerms != nullptr) fs::permissions(temp, *keepPerms, ec);  // best effort
  ok = ok && Allowed(Step::Move) && MoveOver(temp, target);
  if (!ok) {
    fs::remove(temp, ec);
    return false;
  }
  // Best effort: the new content is in place whatever this says.
  if (kSyncsFolder && Allowed(Step::SyncFolder)) SyncFolder(target.parent_path());
  return true;
}

DurableFile::ReadState DurableFile::Read(const fs::path& path, std::string& content, std::uintmax_t maxSize) {
  content.clear();
  std::error_code ec;
  const fs::file_status st = fs::status(path, ec);
  if (st.type() == fs::file_type::not_found) return ReadState::Missing;
  if (st.type() != fs::file_type::regular) return ReadState::Unusable;
  const std::uintmax_t size = fs::file_size(path, ec);
  if (ec || size > maxSize) return ReadState::Unusable;

  std::ifstream in(path, std::ios::binary);
  if (!in) return ReadState::Unusable;
  std::array<char, 65536> chunk;  // only the bytes read are used: no need to clear it
  while (in) {
    in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
    const std::streamsize got = in.gcount();
    if (got <= 0) break;
    content.append(chunk.data(), static_cast<std::size_t>(got));
    if (content.size() > maxSize) return ReadState::Unusable;  // it grew
  }
  if (in.bad()) return ReadState::Unusable;
  return ReadState::Ok;
}

}  // namespace pw
