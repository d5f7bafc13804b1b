// Date texts compare as an order: a text equals itself, swapping the two turns the sign,
// and formatted dates compare as their (year, month, day).
#include "FuzzSupport.h"
#include "maintenance/DateText.h"

using namespace vorn;

namespace {
int Sign(int v) { return (v > 0) - (v < 0); }
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input input(data, size);
    const int y1 = 1970 + input.Byte() % 100, m1 = 1 + input.Byte() % 12, d1 = 1 + input.Byte() % 31;
    const int y2 = 1970 + input.Byte() % 100, m2 = 1 + input.Byte() % 12, d2 = 1 + input.Byte() % 31;
    const std::u16string f1 = FormatDate(y1, m1, d1), f2 = FormatDate(y2, m2, d2);
    const int expected = y1 != y2 ? Sign(y2 - y1) : m1 != m2 ? Sign(m2 - m1) : Sign(d2 - d1);
    FUZZ_CHECK(Sign(CompareDateText(f1.c_str(), f2.c_str())) == expected);

    const std::u16string a = input.Text(40), b = input.Text();
    const std::u16string aCopy = a;
    FUZZ_CHECK(CompareDateText(a.c_str(), aCopy.c_str()) == 0);
    FUZZ_CHECK(Sign(CompareDateText(a.c_str(), b.c_str())) == -Sign(CompareDateText(b.c_str(), a.c_str())));
    FUZZ_CHECK(Sign(CompareDateText(nullptr, a.c_str())) == 1 && CompareDateText(a.c_str(), nullptr) == -1);
    return 0;
}
