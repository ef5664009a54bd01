#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kindora {

// Ed25519 (libsodium's crypto_sign) over a package's whole contents. Keys and signatures travel as
// standard Base64: 32 bytes for a public key, 64 for a secret key (seed and public half) and for a
// signature.

// The key the agent trusts: fixed when it is built, so a feed can never bring its own.
class UpdatePublicKey {
public:
    static constexpr std::size_t size = 32;

    // Nothing when the text is not the Base64 of exactly 32 bytes.
    static std::optional<UpdatePublicKey> fromBase64(std::string_view text);

    std::string base64() const;
    // True only when `signatureBase64` is the Base64 of a 64-byte signature of `contents` by this key.
    bool verifies(std::string_view contents, std::string_view signatureBase64) const;

private:
    UpdatePublicKey() = default;
    std::array<unsigned char, size> bytes_{};
};

// The maintainers' key that signs packages (kindora-appcast). Never part of the agent.
class UpdateSigningKey {
public:
    static constexpr std::size_t size = 64;

    static UpdateSigningKey generate();
    // Nothing when the text is not the Base64 of exactly 64 bytes whose halves belong together.
    static std::optional<UpdateSigningKey> fromBase64(std::string_view text);

    std::string base64() const;
    UpdatePublicKey publicKey() const;
    // The Base64 of the detached signature of `contents`.
    std::string sign(std::string_view contents) const;

private:
    UpdateSigningKey() = default;
    std::array<unsigned char, size> bytes_{};
};

// Standard Base64 with padding; nothing when `text` is not exactly that or decodes to another size.
std::optional<std::string> decodeBase64(std::string_view text, std::size_t expectedBytes);
std::string encodeBase64(const unsigned char* bytes, std::size_t count);

}  // namespace kindora
