#include "core/update/UpdateSignature.hpp"

#include <sodium.h>

#include <cstring>
#include <stdexcept>

namespace kindora {
namespace {

void ensureSodium() {
    static const int result = sodium_init();
    if (result < 0) {
        throw std::runtime_error("libsodium could not be initialised");
    }
}

}  // namespace

std::optional<std::string> decodeBase64(std::string_view text, std::size_t expectedBytes) {
    ensureSodium();
    std::string bytes(expectedBytes + 1, '\0');
    std::size_t decoded = 0;
    const char* end = nullptr;
    if (sodium_base642bin(reinterpret_cast<unsigned char*>(bytes.data()), bytes.size(), text.data(),
                          text.size(), nullptr, &decoded, &end, sodium_base64_VARIANT_ORIGINAL) != 0 ||
        end != text.data() + text.size() || decoded != expectedBytes) {
        return std::nullopt;
    }
    bytes.resize(decoded);
    return bytes;
}

std::string encodeBase64(const unsigned char* bytes, std::size_t count) {
    ensureSodium();
    std::string text(sodium_base64_ENCODED_LEN(count, sodium_base64_VARIANT_ORIGINAL), '\0');
    sodium_bin2base64(text.data(), text.size(), bytes, count, sodium_base64_VARIANT_ORIGINAL);
    text.resize(std::strlen(text.c_str()));
    return text;
}

std::optional<UpdatePublicKey> UpdatePublicKey::fromBase64(std::string_view text) {
    static_assert(size == crypto_sign_PUBLICKEYBYTES);
    const auto bytes = decodeBase64(text, size);
    if (!bytes) {
        return std::nullopt;
    }
    UpdatePublicKey key;
    std::memcpy(key.bytes_.data(), bytes->data(), size);
    return key;
}

std::string UpdatePublicKey::base64() const {
    return encodeBase64(bytes_.data(), bytes_.size());
}

bool UpdatePublicKey::verifies(std::string_view contents, std::string_view signatureBase64) const {
    const auto signature = decodeBase64(signatureBase64, crypto_sign_BYTES);
    if (!signature) {
        return false;
    }
    return crypto_sign_verify_detached(reinterpret_cast<const unsigned char*>(signature->data()),
                                       reinterpret_cast<const unsigned char*>(contents.data()),
                                       contents.size(), bytes_.data()) == 0;
}

UpdateSigningKey UpdateSigningKey::generate() {
    static_assert(size == crypto_sign_SECRETKEYBYTES);
    ensureSodium();
    UpdateSigningKey key;
    std::array<unsigned char, crypto_sign_PUBLICKEYBYTES> publicKey{};
    crypto_sign_keypair(publicKey.data(), key.bytes_.data());
    return key;
}

std::optional<UpdateSigningKey> UpdateSigningKey::fromBase64(std::string_view text) {
    const auto bytes = decodeBase64(text, size);
    if (!bytes) {
        return std::nullopt;
    }
    UpdateSigningKey key;
    std::memcpy(key.bytes_.data(), bytes->data(), size);
    // The second half is the public key: it must be the one the seed in the first half makes.
    std::array<unsigned char, crypto_sign_PUBLICKEYBYTES> derived{};
    crypto_sign_ed25519_sk_to_pk(derived.data(), key.bytes_.data());
    std::array<unsigned char, crypto_sign_PUBLICKEYBYTES> publicHalf{};
    std::array<unsigned char, crypto_sign_SECRETKEYBYTES> recomputed{};
    crypto_sign_seed_keypair(publicHalf.data(), recomputed.data(), key.bytes_.data());
    if (sodium_memcmp(publicHalf.data(), derived.data(), publicHalf.size()) != 0) {
        sodium_memzero(key.bytes_.data(), key.bytes_.size());
        return std::nullopt;
    }
    sodium_memzero(recomputed.data(), recomputed.size());
    return key;
}

std::string UpdateSigningKey::base64() const {
    return encodeBase64(bytes_.data(), bytes_.size());
}

UpdatePublicKey UpdateSigningKey::publicKey() const {
    std::array<unsigned char, crypto_sign_PUBLICKEYBYTES> derived{};
    crypto_sign_ed25519_sk_to_pk(derived.data(), bytes_.data());
    return *UpdatePublicKey::fromBase64(encodeBase64(derived.data(), derived.size()));
}

std::string UpdateSigningKey::sign(std::string_view contents) const {
    std::array<unsigned char, crypto_sign_BYTES> signature{};
    crypto_sign_detached(signature.data(), nullptr, reinterpret_cast<const unsigned char*>(contents.data()),
                         contents.size(), bytes_.data());
    return encodeBase64(signature.data(), signature.size());
}

}  // namespace kindora
