// A small store for an initialisation file of the classic kind: "[SECTION]"
// lines followed by "key=value" lines. It writes one value of a simple type
// under a key of the current section and reads a key back into a typed
// variable with a default. It holds no data of its own: every call goes to the
// file, so a hand-edited file is always seen as it is now.
//
// Reading copes with any bytes in the file (binary junk, NULs, CR, LF or CR LF
// line ends, very long lines, no final line end). Writing changes only the
// one key's line (or adds it at the end of its section, or adds the section
// at the end of the file); every other byte of the file stays as it was. The
// new content goes to a temporary file in the same folder that reaches the
// disk and then replaces the old file (DurableFile), so neither a failed
// write nor a power cut ever leaves a damaged file behind. Path and Name are
// UTF-8, on Windows too.
#pragma once

#include <cstdint>
#include <string>

#include "base/LocalTime.h"

namespace pw {

// A date and time as the store writes it: "yyyy.mm.dd-hh:mm:ss".
using ProfileDate = LocalTime;

class clsCmcProfileIO {
 public:
  // Values longer than this are cut when read, as by a 255-character buffer
  // that keeps room for its terminator.
  static constexpr std::size_t kMaxValueLength = 254;
  // A settings file is a few lines; anything bigger is not ours and is
  // neither read (defaults apply) nor rewritten (saves fail).
  static constexpr std::uintmax_t kMaxFileSize = 16u * 1024u * 1024u;

  std::string Name = "Profile.INI";
  std::string Path;  // folder, ending with a separator, or empty for the current folder
  std::string Section;
  // Optional: a file read in place of the store's own file while that one
  // does not exist yet (defaults an administrator left elsewhere). The first
  // write creates the store's own file from its content; from then on the
  // store's own file is the one read and written.
  std::string SeedFile;

  // Path = programFolder with the platform's separator appended unless it
  // already ends with "/" or "\". An empty folder leaves Path empty (the
  // current folder) rather than turning it into the file system's root.
  void SetCurrentPath(const std::string& programFolder);
  std::string GetMyProfile() const { return Path + Name; }

  // The text up to, not including, its first NUL; the whole text without one.
  static std::string StripTerminator(const std::string& text);

  // The file is read as the Windows profile functions read it: a UTF-8
  // byte-order mark in front is not part of the first line (and a write
  // keeps it), and one pair of matching quotes (" or ') around a value is
  // removed before the value is cut and trimmed.
  //
  // Section and key names are compared without regard to ASCII case and
  // with surrounding blanks ignored; the first matching section, and in it
  // the first matching key, is the one read and written. Lines starting
  // with ";" are comments.
  //
  // Writes one key of Section. Numbers are written in their shortest
  // round-trip decimal form, Booleans as "1" / "0", dates as
  // "yyyy.mm.dd-hh:mm:ss". Returns false, with the file untouched, when the
  // value cannot be written so that it reads back (a float or double that is
  // not finite, a date that is not a real calendar date and time, a text
  // holding CR or LF or standing in matching quotes), when the section or key name could not be found again
  // in the file (empty, or holding "]", "=", CR, LF or NUL, or a key starting
  // with "[" or ";"), when the file exists but is unreadable, read-only, not a
  // regular file or oversized, or when writing or replacing the file fails
  // (e.g. a read-only folder). A text is written up to its first NUL.
  bool saveData(const std::string& key, int16_t value);
  bool saveData(const std::string& key, int32_t value);
  bool saveData(const std::string& key, float value);
  bool saveData(const std::string& key, double value);
  bool saveData(const std::string& key, uint8_t value);
  bool saveData(const std::string& key, bool value);
  bool saveData(const std::string& key, const std::string& value);
  // Without this a string literal would pick the bool overload.
  bool saveData(const std::string& key, const char* value);
  bool saveData(const std::string& key, const ProfileDate& value);

  // Reads one key of Section into `variable`. The text is the key's value,
  // or the default's text when the key (or the section, or the file) is
  // missing or the file cannot be read, and also when Section or the key
  // name is empty; it is cut to kMaxValueLength characters, cut at its first NUL
  // and trimmed of blanks (spaces, tabs) on both sides, the default included.
  //
  // Returns true when `variable` was set. Returns false and leaves
  // `variable` unchanged when that text is empty or does not convert:
  //  - integers: optional sign, digits, optional decimal point and digits;
  //    a fraction rounds to the nearest integer, halves to even ("2.5" -> 2);
  //    a result outside the type's range fails;
  //  - float, double: optional sign, digits, optional decimal point and
  //    digits, optional exponent ("e" or "E", optional sign, digits); a
  //    magnitude too large or too small for the type fails;
  //  - bool: false for exactly "0", true for any other text;
  //  - text: the text itself;
  //  - date: exactly 19 characters "yyyy.mm.dd-hh:mm:ss", each field read
  //    digit by digit with a non-digit counting as 0; a text of any other
  //    length or fields that do not make a real date and time fail.
  // Callers fall back to their own default on false.
  bool loadData(const std::string& key, int16_t& variable, int16_t defaultValue) const;
  bool loadData(const std::string& key, int32_t& variable, int32_t defaultValue) const;
  bool loadData(const std::string& key, float& variable, float defaultValue) const;
  bool loadData(const std::string& key, double& variable, double defaultValue) const;
  bool loadData(const std::string& key, uint8_t& variable, uint8_t defaultValue) const;
  bool loadData(const std::string& key, bool& variable, bool defaultValue) const;
  // Also the way to read any key as text, e.g. the "PORTS" section's COMn.
  bool loadData(const std::string& key, std::string& variable, const std::string& defaultValue) const;
  bool loadData(const std::string& key, ProfileDate& variable, const ProfileDate& defaultValue) const;

 private:
  bool WriteText(const std::string& key, const std::string& text);
  // The cleaned text a load converts: the value or the default text.
  std::string ReadText(const std::string& key, const std::string& defaultText) const;
  // The file's content, or the seed file's while the file is missing.
  bool ReadContent(std::string& content) const;
};

}  // namespace pw
