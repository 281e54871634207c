// A small INI file reader and writer for a file that other programs share.
//
// The file is kept as its lines, byte for byte: writing a key changes only
// that key's line (or adds one), so every other section, key, comment, blank
// line, stray byte and line ending stays exactly as it was.
//
// Reading rules:
// - A section line holds the section name in square brackets ("[Name]");
//   blanks around the line and the name are ignored.
// - A key line holds a key, "=" and a value; the value is the text after the
//   first "=" with surrounding blanks removed.
// - Lines starting with ";" or "#" are comments; lines that are none of the
//   above are kept but mean nothing. Keys before the first section belong to
//   no section and are never found.
// - Section and key names are compared without regard to (ASCII) letter case.
// - When a section or key appears more than once, the first key line in file
//   order among all sections of that name is the one read and updated.
// - Lines end in LF or CR LF; a leading UTF-8 byte order mark is allowed.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dw {

class IniFile {
public:
    // An empty file not bound to any path.
    IniFile() = default;

    // The text of a file, as if read from disk.
    static IniFile fromText(std::string_view text);

    // Reads the file at `path` and remembers the path for save(). A missing
    // file reads as empty. A file that exists but cannot be read also reads
    // as empty, but is marked unreadable so that save() will not replace it
    // (which would lose everything else in it).
    static IniFile load(const std::filesystem::path& path);

    // The value of `key` in `section`, or nothing when absent.
    std::optional<std::string> read(std::string_view section, std::string_view key) const;

    // Sets `key` in `section` to `value` in memory: the first occurrence of
    // the key is rewritten in place as "key=value" (keeping its line ending);
    // otherwise a line is added after the section's last key (creating the
    // section at the end of the file when absent). Returns false, changing
    // nothing, for names or values the format cannot hold: an empty name, a
    // name with surrounding blanks, a section name with "]", a key name with
    // "=" or starting with "[", ";" or "#", or any text with a line break or
    // NUL byte.
    bool write(std::string_view section, std::string_view key, std::string_view value);

    // The whole file as it would be saved.
    std::string text() const;

    // Replaces the file at the path given to load() with text(), atomically:
    // the text goes to a temporary file beside it, which is flushed to disk
    // and then renamed over the old file, so a crash leaves either the old
    // or the new file whole. Returns false on any failure (never throws);
    // the old file is then untouched. Refuses when there is no path or the
    // file was unreadable at load().
    bool save() const;

    // The same, to any path (a symbolic link is followed, and the file it
    // names is replaced). The file keeps its permission bits.
    bool saveTo(const std::filesystem::path& path) const;

    const std::filesystem::path& path() const { return path_; }
    bool readable() const { return readable_; }

private:
    enum class Kind { Other, Section, Key };
    struct Line {
        std::string raw; // the line's bytes including its line ending
        Kind kind = Kind::Other;
        std::string name; // section or key name as written (trimmed)
    };

    static Line makeLine(std::string raw, bool first);
    // Index of the first key line of `key` in `section`, and of the last key
    // line (or header) of the first such section; -1 when absent.
    struct Place {
        long key = -1;
        long sectionEnd = -1;
    };
    Place find(std::string_view section, std::string_view key) const;
    std::string_view lineEnding(long after) const;

    std::vector<Line> lines_;
    std::filesystem::path path_;
    bool readable_ = true;
};

} // namespace dw
