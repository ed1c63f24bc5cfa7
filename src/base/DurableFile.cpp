#include "base/DurableFile.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

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

// Beside target: the temporary files a save writes first ("name.~0.tmp" and
// up) and the old file set aside while a group of files is replaced
// ("name.~old.tmp"). A power cut can leave either behind.
constexpr int kTempNames = 100;

fs::path Beside(const fs::path& target, const std::string& suffix) {
  fs::path name = target.filename();
  name += suffix;
  return target.parent_path() / name;
}

fs::path TempName(const fs::path& target, int n) { return Beside(target, ".~" + std::to_string(n) + ".tmp"); }
fs::path SetAsideName(const fs::path& target) { return Beside(target, ".~old.tmp"); }

// Creates a new file beside target under a name that no file, folder or link
// has yet, so nothing that exists is ever written through.
bool CreateBeside(const fs::path& target, NewFile& file, fs::path& temp) {
  if (!Allowed(DurableFile::Step::Create)) return false;
  for (int n = 0; n < kTempNames; ++n) {
    temp = TempName(target, n);
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

// One file of a replace: its new content written, synced and closed under
// a temporary name, and what became of the old one.
struct Pending {
  fs::path target;
  fs::path temp;
  bool setAside = false;  // the old file waits under SetAsideName
  bool moved = false;     // the new content is in place
};

bool WriteBeside(Pending& p, std::string_view content, const fs::perms* keepPerms) {
  NewFile file;
  if (!CreateBeside(p.target, file, p.temp)) {
    p.temp.clear();
    return false;
  }
  bool ok = Allowed(DurableFile::Step::Write) && file.Write(content);
  ok = ok && Allowed(DurableFile::Step::SyncData) && file.SyncData();
  const bool closed = file.Close();  // always, so the file can be removed on failure
  ok = ok && Allowed(DurableFile::Step::Close) && closed;
  std::error_code ec;
  if (ok && keepPerms != nullptr) fs::permissions(p.temp, *keepPerms, ec);  // best effort
  return ok;
}

// Back to how things were, latest first. A file set aside that cannot be
// moved back stays where it is, for the next clean-up to restore: it is
// never removed.
void Undo(std::vector<Pending>& pending) {
  std::error_code ec;
  for (auto it = pending.rbegin(); it != pending.rend(); ++it) {
    if (it->setAside) {
      if (MoveOver(SetAsideName(it->target), it->target)) it->setAside = false;
    } else if (it->moved) {
      fs::remove(it->target, ec);
    }
    if (!it->temp.empty()) fs::remove(it->temp, ec);
  }
}

}  // namespace

void DurableFile::SetStepObserver(std::function<bool(Step)> observer) { Observer() = std::move(observer); }

void DurableFile::CleanUp(const fs::path& target) {
  std::error_code ec;
  for (int n = 0; n < kTempNames; ++n) fs::remove(TempName(target, n), ec);
  // A set-aside file is the old content of a group whose replace did not
  // finish: it goes back, so the group is old again as a whole.
  const fs::path aside = SetAsideName(target);
  if (fs::exists(aside, ec)) MoveOver(aside, target);
}

bool DurableFile::Replace(const fs::path& target, std::string_view content, const fs::perms* keepPerms) {
  const NewContent one[] = {{target, content}};
  return ReplaceGroup(one, keepPerms, nullptr);
}

bool DurableFile::ReplaceAll(std::span<const NewContent> files, std::size_t* failedAt) {
  return ReplaceGroup(files, nullptr, failedAt);
}

// Every new file is written whole before any old one is touched. Then each
// old file but the last is set aside and its new content moved in; the
// last move completes the group, and only then are the set-aside files
// removed. A failure on the way moves the old files back.
bool DurableFile::ReplaceGroup(std::span<const NewContent> files, const fs::perms* keepPerms, std::size_t* failedAt) {
  std::vector<Pending> pending;
  pending.reserve(files.size());
  auto fail = [&](std::size_t at) {
    Undo(pending);
    if (failedAt != nullptr) *failedAt = at;
    return false;
  };
  for (const NewContent& f : files) {
    CleanUp(f.target);
    pending.push_back({f.target, {}, false, false});
    if (!WriteBeside(pending.back(), f.content, keepPerms)) return fail(pending.size() - 1);
  }
  std::error_code ec;
  for (std::size_t i = 0; i < pending.size(); ++i) {
    Pending& p = pending[i];
    const bool last = i + 1 == pending.size();
    if (!last && fs::exists(p.target, ec)) {
      if (!Allowed(Step::SetAside) || !MoveOver(p.target, SetAsideName(p.target))) return fail(i);
      p.setAside = true;
    }
    if (!Allowed(Step::Move) || !MoveOver(p.temp, p.target)) return fail(i);
    p.moved = true;
    p.temp.clear();
  }
  for (const Pending& p : pending) {
    if (p.setAside) fs::remove(SetAsideName(p.target), ec);
  }
  // Best effort: the new content is in place whatever this says.
  if (kSyncsFolder && Allowed(Step::SyncFolder)) {
    std::vector<fs::path> folders;
    for (const Pending& p : pending) {
      const fs::path folder = p.target.parent_path();
      if (std::find(folders.begin(), folders.end(), folder) == folders.end()) folders.push_back(folder);
    }
    for (const fs::path& folder : folders) SyncFolder(folder);
  }
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
