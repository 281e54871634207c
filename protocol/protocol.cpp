#include "protocol/protocol.h"

#include <charconv>
#include <climits>

namespace dw {

namespace {

template <typename Range>
std::string build(std::string_view word, const Range& fields, Trailing trailing) {
    std::size_t size = word.size() + 2;
    for (const Field& f : fields)
        size += f.text().size() + 1;
    std::string m;
    m.reserve(size);
    m.append(word);
    for (const Field& f : fields) {
        m.push_back('+');
        m.append(f.text());
    }
    if (trailing == Trailing::Yes)
        m.push_back('+');
    m.push_back(kTerminator);
    return m;
}

} // namespace

std::string buildMessage(std::string_view word, std::initializer_list<Field> fields,
                         Trailing trailing) {
    return build(word, fields, trailing);
}

std::string buildMessage(std::string_view word, const std::vector<Field>& fields,
                         Trailing trailing) {
    return build(word, fields, trailing);
}

int Framer::feed(std::string_view data, std::deque<std::string>& out) {
    append(data);
    int dropped = 0;
    std::string message;
    while (next(message, dropped))
        out.push_back(std::move(message));
    return dropped;
}

void Framer::append(std::string_view data) {
    // Taken bytes are let go before new ones are added, so the buffer holds
    // no more than what has not been taken.
    if (start_ > 0) {
        buffer_.erase(0, start_);
        start_ = 0;
    }
    if (skipping_) {
        // The rest of an overlong message is not kept.
        const std::size_t end = data.find(kTerminator);
        if (end == std::string_view::npos)
            return;
        skipping_ = false;
        data.remove_prefix(end + 1);
    }
    buffer_.append(data);
}

bool Framer::next(std::string& out, int& dropped) {
    for (;;) {
        const std::size_t end = buffer_.find(kTerminator, start_);
        if (end == std::string::npos) {
            if (buffer_.size() - start_ > kMaxMessage) {
                // Too long already: drop it and skip to its terminator.
                buffer_.clear();
                start_ = 0;
                skipping_ = true;
                ++dropped;
            } else if (start_ == buffer_.size()) {
                buffer_.clear();
                start_ = 0;
            }
            return false;
        }
        const std::size_t begin = start_;
        start_ = end + 1;
        if (end - begin > kMaxMessage) {
            ++dropped;
            continue;
        }
        out.assign(buffer_, begin, end - begin);
        return true;
    }
}

Command splitCommand(std::string_view message) {
    const std::size_t plus = message.find('+');
    if (plus == std::string_view::npos)
        return {};
    return {message.substr(0, plus), message.substr(plus + 1)};
}

std::optional<std::string_view> FieldReader::text() {
    const std::size_t plus = rest_.find('+');
    if (plus == std::string_view::npos) {
        if (last_ == LastField::MayEnd && !rest_.empty()) {
            std::string_view field = rest_;
            rest_ = {};
            return field;
        }
        return std::nullopt;
    }
    std::string_view field = rest_.substr(0, plus);
    rest_.remove_prefix(plus + 1);
    return field;
}

std::optional<int> FieldReader::number() {
    auto field = text();
    if (!field)
        return std::nullopt;
    return parseNumber(*field);
}

std::optional<int> FieldReader::number(int lo, int hi) {
    auto n = number();
    if (!n || *n < lo || *n > hi)
        return std::nullopt;
    return n;
}

std::optional<int> FieldReader::integer() {
    auto field = text();
    if (!field)
        return std::nullopt;
    return parseInteger(*field);
}

std::optional<int> parseInteger(std::string_view s) {
    if (!s.empty() && s.front() == '-') {
        const auto magnitude = parseNumber(s.substr(1));
        if (!magnitude)
            return s == "-2147483648" ? std::optional<int>(INT_MIN) : std::nullopt;
        return -*magnitude;
    }
    return parseNumber(s);
}

std::optional<int> parseNumber(std::string_view s) {
    if (s.empty() || s.size() > 10)
        return std::nullopt;
    for (char c : s)
        if (c < '0' || c > '9')
            return std::nullopt;
    long long v = 0;
    auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || ptr != s.data() + s.size() || v > 2147483647LL)
        return std::nullopt;
    return static_cast<int>(v);
}

} // namespace dw
