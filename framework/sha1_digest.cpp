#include "sha1_digest.h"

#include <windows.h>
#include <bcrypt.h>

namespace {
// The provider is loaded on the first digest, not at start-up: most runs
// never see a page, and the system's cryptography brings libraries of its own.
struct Cng {
    decltype(&::BCryptOpenAlgorithmProvider) open = nullptr;
    decltype(&::BCryptCreateHash) create = nullptr;
    decltype(&::BCryptHashData) hashData = nullptr;
    decltype(&::BCryptFinishHash) finish = nullptr;
    decltype(&::BCryptDestroyHash) destroy = nullptr;
    decltype(&::BCryptCloseAlgorithmProvider) close = nullptr;
    bool Loaded() const { return open && create && hashData && finish && destroy && close; }
};

template <typename Fn>
void Resolve(HMODULE module, const char* name, Fn& fn) {
    fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

const Cng& LoadCng() {
    static const Cng cng = [] {
        Cng c;
        if (HMODULE module = ::LoadLibraryW(L"bcrypt.dll")) {
            Resolve(module, "BCryptOpenAlgorithmProvider", c.open);
            Resolve(module, "BCryptCreateHash", c.create);
            Resolve(module, "BCryptHashData", c.hashData);
            Resolve(module, "BCryptFinishHash", c.finish);
            Resolve(module, "BCryptDestroyHash", c.destroy);
            Resolve(module, "BCryptCloseAlgorithmProvider", c.close);
        }
        return c;
    }();
    return cng;
}
}  // namespace

std::optional<Sha1Digest> Sha1Of(std::string_view bytes) {
    const Cng& cng = LoadCng();
    if (!cng.Loaded()) return std::nullopt;
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    if (!BCRYPT_SUCCESS(cng.open(&algorithm, BCRYPT_SHA1_ALGORITHM, nullptr, 0))) return std::nullopt;
    std::optional<Sha1Digest> result;
    BCRYPT_HASH_HANDLE hash = nullptr;
    Sha1Digest digest{};
    if (BCRYPT_SUCCESS(cng.create(algorithm, &hash, nullptr, 0, nullptr, 0, 0))) {
        auto* data = reinterpret_cast<PUCHAR>(const_cast<char*>(bytes.data()));
        if (BCRYPT_SUCCESS(cng.hashData(hash, data, static_cast<ULONG>(bytes.size()), 0)) &&
            BCRYPT_SUCCESS(cng.finish(hash, digest.data(), static_cast<ULONG>(digest.size()), 0)))
            result = digest;
        cng.destroy(hash);
    }
    cng.close(algorithm, 0);
    return result;
}
