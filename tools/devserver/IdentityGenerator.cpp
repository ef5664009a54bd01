#include "tools/devserver/IdentityGenerator.hpp"

#include <array>
#include <cstdio>
#include <memory>
#include <random>
#include <string_view>

namespace kindora::devserver {
namespace {

constexpr std::string_view codeAlphabet = "ABCDEFGHJKMNPQRSTUVWXYZ23456789";

std::string hex64(std::uint64_t word) {
    std::array<char, 17> text{};
    std::snprintf(text.data(), text.size(), "%016llx", static_cast<unsigned long long>(word));
    return std::string(text.data(), 16);
}

}  // namespace

IdentityGenerator::IdentityGenerator(RandomSource random) : random_(std::move(random)) {}

IdentityGenerator IdentityGenerator::system() {
    auto device = std::make_shared<std::random_device>();
    return IdentityGenerator([device] {
        return (static_cast<std::uint64_t>((*device)()) << 32) ^ static_cast<std::uint64_t>((*device)());
    });
}

std::uint64_t IdentityGenerator::next() {
    std::lock_guard lock(*mutex_);
    return random_();
}

std::string IdentityGenerator::deviceToken() {
    return "kdt_" + hex64(next()) + hex64(next()) + hex64(next());
}

std::string IdentityGenerator::deviceId() {
    // Version 4 in the thirteenth digit, the RFC 4122 variant in the seventeenth.
    const std::uint64_t high = (next() & 0xffff'ffff'ffff'0fffULL) | 0x0000'0000'0000'4000ULL;
    const std::uint64_t low = (next() & 0x3fff'ffff'ffff'ffffULL) | 0x8000'0000'0000'0000ULL;
    const std::string hex = hex64(high) + hex64(low);
    return hex.substr(0, 8) + "-" + hex.substr(8, 4) + "-" + hex.substr(12, 4) + "-" + hex.substr(16, 4) +
           "-" + hex.substr(20, 12);
}

std::string IdentityGenerator::pairingCode() {
    std::uint64_t word = next();
    std::string code;
    for (int i = 0; i < 6; ++i) {
        if (i == 3) {
            code += '-';
        }
        code += codeAlphabet[word % codeAlphabet.size()];
        word /= codeAlphabet.size();
    }
    return code;
}

}  // namespace kindora::devserver
