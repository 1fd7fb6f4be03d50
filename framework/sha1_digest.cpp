#include "sha1_digest.h"

#include <windows.h>
#include <bcrypt.h>

std::optional<Sha1Digest> Sha1Of(std::string_view bytes) {
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    if (!BCRYPT_SUCCESS(::BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA1_ALGORITHM, nullptr, 0)))
        return std::nullopt;
    std::optional<Sha1Digest> result;
    BCRYPT_HASH_HANDLE hash = nullptr;
    Sha1Digest digest{};
    if (BCRYPT_SUCCESS(::BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0))) {
        auto* data = reinterpret_cast<PUCHAR>(const_cast<char*>(bytes.data()));
        if (BCRYPT_SUCCESS(::BCryptHashData(hash, data, static_cast<ULONG>(bytes.size()), 0)) &&
            BCRYPT_SUCCESS(::BCryptFinishHash(hash, digest.data(), static_cast<ULONG>(digest.size()), 0)))
            result = digest;
        ::BCryptDestroyHash(hash);
    }
    ::BCryptCloseAlgorithmProvider(algorithm, 0);
    return result;
}
