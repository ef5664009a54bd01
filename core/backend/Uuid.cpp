#include "core/backend/Uuid.hpp"

#include <array>
#include <cstdint>
#include <random>

namespace kindora {
namespace {

constexpr std::size_t canonicalLength = 36;

bool isHyphenPosition(std::size_t index) {
    return index == 8 || index == 13 || index == 18 || index == 23;
}

}  // namespace

std::optional<Uuid> Uuid::parse(std::string_view text) {
    if (text.size() != canonicalLength) {
        return std::nullopt;
    }
    std::string lower(text);
    for (std::size_t i = 0; i < lower.size(); ++i) {
        char& c = lower[i];
        if (isHyphenPosition(i)) {
            if (c != '-') {
                return std::nullopt;
            }
            continue;
        }
        if (c >= 'A' && c <= 'F') {
            c = static_cast<char>(c - 'A' + 'a');
        } else if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) {
            return std::nullopt;
        }
    }
    return Uuid(std::move(lower));
}

Uuid Uuid::fromString(std::string_view text) {
    if (auto uuid = parse(text)) {
        return *std::move(uuid);
    }
    throw std::invalid_argument("Not a UUID: \"" + std::string(text) + "\"");
}

Uuid Uuid::random() {
    thread_local std::mt19937_64 generator{std::random_device{}()};
    std::array<std::uint8_t, 16> bytes{};
    for (std::size_t i = 0; i < bytes.size(); i += 8) {
        const std::uint64_t value = generator();
        for (std::size_t j = 0; j < 8; ++j) {
            bytes[i + j] = static_cast<std::uint8_t>(value >> (8 * j));
        }
    }
    bytes[6] = static_cast<std::uint8_t>((bytes[6] & 0x0F) | 0x40);  // version 4
    bytes[8] = static_cast<std::uint8_t>((bytes[8] & 0x3F) | 0x80);  // RFC 4122 variant
    static constexpr char digits[] = "0123456789abcdef";
    std::string text;
    text.reserve(canonicalLength);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) {
            text.push_back('-');
        }
        text.push_back(digits[bytes[i] >> 4]);
        text.push_back(digits[bytes[i] & 0x0F]);
    }
    return Uuid(std::move(text));
}

}  // namespace kindora
