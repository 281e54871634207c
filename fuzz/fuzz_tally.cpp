// The tally's text form: reading arbitrary text, then writing and reading
// it again gives the same table.
#include "store/tallytable.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {
void check(bool ok) {
    if (!ok)
        std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    dw::TallyTable table;
    if (table.parse(text))
        return 0;
    // No more rows than the text has lines.
    check(static_cast<std::size_t>(table.rowCount()) <= size + 1);
    const std::string rendered = table.render();
    dw::TallyTable again;
    check(!again.parse(rendered));
    check(again.rowCount() == table.rowCount());
    check(again.render() == rendered);
    for (int r = 0; r < table.rowCount(); ++r)
        for (int c = 0; c < dw::TallyTable::kColumns; ++c)
            (void)table.number(c, r);
    return 0;
}
