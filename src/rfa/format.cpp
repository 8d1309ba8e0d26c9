#include "rfa/format.h"

#include <array>

namespace tw::rfa {

std::string_view ourDescriptor() {
    static const std::array<char, kDescriptorSize> bytes = [] {
        std::array<char, kDescriptorSize> b{};
        constexpr std::string_view text = "Tarnwick Refractor archive writer";
        for (size_t i = 0; i < text.size(); ++i) b[i] = text[i];
        return b;
    }();
    return std::string_view(bytes.data(), bytes.size());
}

uint32_t idField(uint32_t id, std::string_view descriptor) {
    uint32_t sum = 0;
    for (char c : descriptor) sum += static_cast<unsigned char>(c);
    return id + sum;
}

} // namespace tw::rfa
