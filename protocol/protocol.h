// The text protocol between host and clients: building messages, cutting a
// byte stream into messages, and reading a message's fields.
//
// A message is a command word, fields each preceded by "+", and the
// terminator byte 255. Texts travel in Windows-1252: clients convert (see
// text/windows1252.h, which keeps 255 out of a message); the host relays bytes.
#pragma once

#include <cstddef>
#include <deque>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dw {

inline constexpr char kTerminator = '\xFF';
// The protocol version a client sends at login and the host compares.
inline constexpr std::string_view kVersion = "1.0.1";
// The TCP port hosts listen on unless told otherwise.
inline constexpr int kDefaultPort = 7772;
// A message longer than this is dropped whole by the receiver.
inline constexpr std::size_t kMaxMessage = 4096;

// One field value: a number or a text.
class Field {
public:
    Field(int n) : text_(std::to_string(n)) {}
    Field(std::string_view s) : text_(s) {}
    Field(const char* s) : text_(s) {}
    Field(const std::string& s) : text_(s) {}
    const std::string& text() const { return text_; }

private:
    std::string text_;
};

enum class Trailing { No, Yes };

// Builds one complete message: word, "+field" for each field, an optional
// trailing "+", and the terminator.
std::string buildMessage(std::string_view word, std::initializer_list<Field> fields,
                         Trailing trailing = Trailing::No);
std::string buildMessage(std::string_view word, const std::vector<Field>& fields,
                         Trailing trailing = Trailing::No);

// Cuts the bytes of one connection into messages. Bytes after the last
// terminator are kept until the rest of their message arrives. A message
// that grows past kMaxMessage bytes is dropped whole: the receiver skips to
// the next terminator and carries on with the connection.
//
// A receiver that must not take more messages than it has room for appends
// the bytes it read and takes messages one at a time with next(); the bytes
// of messages not taken yet wait here, in order.
class Framer {
public:
    // Appends the complete messages found in `data` to `out`, in order.
    // Returns the number of messages dropped for being too long.
    int feed(std::string_view data, std::deque<std::string>& out);
    // Keeps `data` for next().
    void append(std::string_view data);
    // Takes the next complete message into `out`; false when no complete
    // message waits. Overlong messages on the way are skipped and counted
    // in `dropped`.
    bool next(std::string& out, int& dropped);
    // Bytes held: messages not taken yet and an incomplete tail.
    std::size_t pending() const { return buffer_.size() - start_; }

private:
    std::string buffer_;
    std::size_t start_ = 0; // where the bytes not taken yet begin
    bool skipping_ = false;
};

// Splits a message into its command word and payload. A message without
// "+" has an empty word (and is ignored by dispatch).
struct Command {
    std::string_view word;
    std::string_view payload;
};
Command splitCommand(std::string_view message);

// Reads fields from a payload the way every handler does: a field is the
// text before the next "+", and reading it consumes the "+" too.
//
// Messages whose fields are repeating groups (hands, scores, snapshots)
// leave their last field without a "+"; read them with LastField::MayEnd,
// which also takes a final field that runs to the end of the text.
enum class LastField { NeedsPlus, MayEnd };

class FieldReader {
public:
    explicit FieldReader(std::string_view payload, LastField last = LastField::NeedsPlus)
        : rest_(payload), last_(last) {}

    // The next field, or nothing when no "+" follows.
    std::optional<std::string_view> text();
    // The next field as a non-negative decimal number, or nothing when the
    // field is missing or is not such a number.
    std::optional<int> number();
    // The next field as a number within [lo, hi], or nothing.
    std::optional<int> number(int lo, int hi);
    // The next field as a decimal integer that may be negative.
    std::optional<int> integer();
    // Everything not read yet (a last field that may contain "+").
    std::string_view rest() const { return rest_; }
    bool atEnd() const { return rest_.empty(); }

private:
    std::string_view rest_;
    LastField last_;
};

// Reads a whole decimal number with no sign and nothing else, as the
// protocol writes them; values above 2^31-1 are refused.
std::optional<int> parseNumber(std::string_view s);
// The same with an optional leading "-": amounts and distances as typed
// into the game options are any integers.
std::optional<int> parseInteger(std::string_view s);

} // namespace dw
