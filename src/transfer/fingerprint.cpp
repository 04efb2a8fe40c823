#include "transfer/fingerprint.h"

#include "protocol/commandframes.h"

#include <QByteArray>
#include <memory>
#include <openssl/evp.h>

namespace transfer
{

QString fingerprint(const QVector<TagRecord> &records)
{
    const std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> state(EVP_MD_CTX_new(),
                                                                        &EVP_MD_CTX_free);
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    bool ok = state && EVP_DigestInit_ex(state.get(), EVP_sha256(), nullptr) == 1;
    QByteArray frame = protocol::record_frame_template();
    for (const TagRecord &record : records) {
        if (!ok)
            break;
        protocol::fill_record_frame(frame, record);
        ok = EVP_DigestUpdate(state.get(), frame.constData(), size_t(frame.size())) == 1;
    }
    // libcrypto fails here only when it cannot allocate; an empty
    // fingerprint then never matches a real one.
    if (!ok || EVP_DigestFinal_ex(state.get(), digest, &size) != 1 || size < 8)
        return QString();
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(digest), 8).toHex());
}

} // namespace transfer
