#include "workbook/aescipher.h"

#include <memory>
#include <openssl/evp.h>

namespace
{

constexpr int kAesBlock = 16;

const EVP_CIPHER *cipher_of(int key_bytes, bool chained)
{
    switch (key_bytes) {
    case 16:
        return chained ? EVP_aes_128_cbc() : EVP_aes_128_ecb();
    case 24:
        return chained ? EVP_aes_192_cbc() : EVP_aes_192_ecb();
    case 32:
        return chained ? EVP_aes_256_cbc() : EVP_aes_256_ecb();
    }
    return nullptr;
}

} // namespace

std::optional<QByteArray> aes_decrypt(const QByteArray &key, const QByteArray &data,
                                      const QByteArray &iv)
{
    const EVP_CIPHER *cipher = cipher_of(key.size(), !iv.isEmpty());
    if (!cipher || data.size() % kAesBlock != 0 || (!iv.isEmpty() && iv.size() != kAesBlock))
        return std::nullopt;
    const std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> state(
        EVP_CIPHER_CTX_new(), &EVP_CIPHER_CTX_free);
    const auto bytes = [](const QByteArray &from) {
        return reinterpret_cast<const unsigned char *>(from.constData());
    };
    if (!state ||
        EVP_DecryptInit_ex(state.get(), cipher, nullptr, bytes(key),
                           iv.isEmpty() ? nullptr : bytes(iv)) != 1 ||
        EVP_CIPHER_CTX_set_padding(state.get(), 0) != 1)
        return std::nullopt;
    QByteArray out(data.size(), Qt::Uninitialized);
    auto *into = reinterpret_cast<unsigned char *>(out.data());
    int written = 0;
    int last = 0;
    if (data.isEmpty())
        return out;
    if (EVP_DecryptUpdate(state.get(), into, &written, bytes(data), data.size()) != 1 ||
        EVP_DecryptFinal_ex(state.get(), into + written, &last) != 1 ||
        written + last != data.size())
        return std::nullopt;
    return out;
}
