// Fuzz target for the WM_COPYDATA records of: the readers of a
// buffer from another process, the packing from a '/'-separated text, and
// the atoi-like number parse (checked against strtoll).
//
// The first byte selects the operation; the rest is the buffer or the text.
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz_check.h"
#include "records.h"
#include "text_split.h"

namespace {

// Every text slot that the packers write keeps a zero at its end.
void CheckTerminated(const NoteTargetInfo& r) {
    FUZZ_CHECK(r.memberId[12] == 0 && r.nickname[18] == 0 && r.sex[1] == 0);
}
void CheckTerminated(const ChatTargetInfo& r) {
    FUZZ_CHECK(r.memberId[12] == 0 && r.nickname[18] == 0 && r.sex[1] == 0);
    FUZZ_CHECK(r.occupation[45] == 0 && r.region[15] == 0 && r.popularity[4] == 0);
    FUZZ_CHECK(r.chatTopic[150] == 0);
}

// The field as the packer must have stored it: at its first zero byte (a C
// string), cut to slot less one byte between code page 949 characters (a lead
// byte 0x81 to 0xFE takes the byte after it; one with none after it goes).
std::string Expected(const std::string& text, size_t index, size_t slot) {
    const std::string f(CStringPart(ExtractField(text, index)));
    size_t kept = 0;
    for (size_t at = 0; at < f.size();) {
        const auto byte = static_cast<unsigned char>(f[at]);
        at += byte >= 0x81 && byte <= 0xFE ? 2 : 1;
        if (at > slot - 1 || at > f.size()) break;
        kept = at;
    }
    return f.substr(0, kept);
}

int32_t ReferenceAtoi(const std::string& text) {
    const std::string c(CStringPart(text));  // strtoll sees the C string
    long long v = std::strtoll(c.c_str(), nullptr, 10);
    if (v > INT32_MAX) v = INT32_MAX;
    if (v < INT32_MIN) v = INT32_MIN;
    return static_cast<int32_t>(v);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const uint8_t* rest = data + 1;
    const size_t n = size - 1;
    const std::string text(reinterpret_cast<const char*>(rest), n);
    switch (data[0] % 5) {
        case 0: {
            const auto r = ReadNoteTargetInfo(rest, n);
            FUZZ_CHECK(r.has_value() == (n >= sizeof(NoteTargetInfo)));
            if (r) {
                FUZZ_CHECK(std::memcmp(&*r, rest, sizeof(NoteTargetInfo)) == 0);
                FUZZ_CHECK(r->MemberId().size() <= 13 && r->Nickname().size() <= 19);
                FUZZ_CHECK(r->Sex().size() <= 2);
                (void)r->Age();
            }
            break;
        }
        case 1: {
            const auto r = ReadChatTargetInfo(rest, n);
            FUZZ_CHECK(r.has_value() == (n >= sizeof(ChatTargetInfo)));
            if (r) {
                FUZZ_CHECK(std::memcmp(&*r, rest, sizeof(ChatTargetInfo)) == 0);
                FUZZ_CHECK(r->MemberId().size() <= 13 && r->Nickname().size() <= 19);
                FUZZ_CHECK(r->Occupation().size() <= 46 && r->Region().size() <= 16);
                FUZZ_CHECK(r->Popularity().size() <= 5 && r->ChatTopic().size() <= 151);
                (void)r->Age();
                (void)r->Taste();
                (void)r->Points();
                (void)r->IsAll();
                ChatTargetInfo all = *r;
                SetChatTargetAll(all);
                FUZZ_CHECK(all.IsAll());
                FUZZ_CHECK(std::memcmp(all.memberId + 4, r->memberId + 4, 9) == 0);
            }
            break;
        }
        case 2: {
            const NoteTargetInfo r = PackNoteTargetInfo(text);
            CheckTerminated(r);
            FUZZ_CHECK(r.MemberId() == Expected(text, 0, 13));
            FUZZ_CHECK(r.Nickname() == Expected(text, 1, 19));
            FUZZ_CHECK(r.Sex() == Expected(text, 2, 2));
            FUZZ_CHECK(r.Age() == static_cast<int16_t>(ReferenceAtoi(ExtractField(text, 3))));
            break;
        }
        case 3: {
            const ChatTargetInfo r = PackChatTargetInfo(text);
            CheckTerminated(r);
            FUZZ_CHECK(r.MemberId() == Expected(text, 0, 13));
            FUZZ_CHECK(r.Nickname() == Expected(text, 1, 19));
            FUZZ_CHECK(r.Sex() == Expected(text, 2, 2));
            FUZZ_CHECK(r.Occupation() == Expected(text, 4, 46));
            FUZZ_CHECK(r.Region() == Expected(text, 5, 16));
            FUZZ_CHECK(r.Popularity() == Expected(text, 7, 5));
            FUZZ_CHECK(r.ChatTopic() == Expected(text, 8, 151));
            FUZZ_CHECK(r.Age() == static_cast<int16_t>(ReferenceAtoi(ExtractField(text, 3))));
            FUZZ_CHECK(r.Taste() == static_cast<int16_t>(ReferenceAtoi(ExtractField(text, 6))));
            FUZZ_CHECK(r.Points() == ReferenceAtoi(ExtractField(text, 9)));
            break;
        }
        case 4: {
            FUZZ_CHECK(ParseDecimalLikeAtoi(text) == ReferenceAtoi(text));
            break;
        }
    }
    return 0;
}
