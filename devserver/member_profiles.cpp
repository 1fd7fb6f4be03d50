#include "member_profiles.h"

#include <cstdlib>
#include <vector>

#include "fields.h"
#include "packet.h"
#include "text_display.h"

namespace devserver {
namespace {

uint32_t HashId(const std::string& id) {
    uint32_t h = 2166136261u;  // FNV-1a
    for (unsigned char c : id) h = (h ^ c) * 16777619u;
    return h;
}

template <size_t N>
const char* Pick(const char* const (&items)[N], uint32_t h) { return items[h % N]; }

std::vector<std::string> SplitColons(const std::string& s) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        const size_t colon = s.find(':', start);
        parts.push_back(s.substr(start, colon == std::string::npos ? std::string::npos : colon - start));
        if (colon == std::string::npos) return parts;
        start = colon + 1;
    }
}

bool ParseNumber(const std::string& text, long lo, long hi, long* out) {
    if (text.empty()) return false;
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (*end != '\0' || v < lo || v > hi) return false;
    *out = v;
    return true;
}

// UTF-8 texts go into their slots whole or cut at a character boundary, and
// keep a terminator whenever they are shorter than the slot.
void PutUtf8(uint8_t* dst, size_t width, const std::string& text) { PutText(dst, width, CutUtf8(text, width)); }

}  // namespace

MemberProfile DefaultProfile(const std::string& id) {
    static const char* const kOccupations[] = {"회사원", "대학생", "자영업", "프리랜서", "디자이너"};
    static const char* const kRegions[] = {"서울", "부산", "대구", "인천", "광주", "대전"};
    const uint32_t h = HashId(id);
    MemberProfile p;
    p.id = id;
    p.nickname = id;
    p.sex = (h & 1) ? 'F' : 'M';
    p.age = static_cast<int16_t>(20 + (h >> 1) % 20);
    p.occupation = Pick(kOccupations, h >> 3);
    p.region = Pick(kRegions, h >> 7);
    p.topic = "안녕하세요 " + id + "입니다";
    p.taste = static_cast<int16_t>(4 + (h >> 11) % 7);
    p.popularity = std::to_string((h >> 14) % 1000);
    p.points = static_cast<int32_t>(((h >> 18) % 200) * 100);
    return p;
}

bool ParseProfileText(const std::string& text, MemberProfile* out, std::string* error) {
    const std::vector<std::string> f = SplitColons(text);
    const auto fail = [&](const std::string& why) {
        if (error) *error = "member '" + text + "': " + why;
        return false;
    };
    if (f[0].empty() || f[0].size() > 12) return fail("the id must have 1 to 12 characters");
    if (f.size() > 10) return fail("too many fields");
    MemberProfile p = DefaultProfile(f[0]);
    long n = 0;
    if (f.size() > 1 && !f[1].empty()) p.nickname = f[1];
    if (f.size() > 2 && !f[2].empty()) {
        if (f[2] != "F" && f[2] != "M") return fail("sex must be F or M");
        p.sex = f[2][0];
    }
    if (f.size() > 3 && !f[3].empty()) {
        if (!ParseNumber(f[3], 0, 150, &n)) return fail("age must be 0..150");
        p.age = static_cast<int16_t>(n);
    }
    if (f.size() > 4 && !f[4].empty()) p.occupation = f[4];
    if (f.size() > 5 && !f[5].empty()) p.region = f[5];
    if (f.size() > 6 && !f[6].empty()) p.topic = f[6];
    if (f.size() > 7 && !f[7].empty()) {
        if (!ParseNumber(f[7], -1, 32767, &n)) return fail("taste must be a number from -1");
        p.taste = static_cast<int16_t>(n);
    }
    if (f.size() > 8 && !f[8].empty()) {
        if (f[8].size() > 5) return fail("popularity has at most 5 characters");
        p.popularity = f[8];
    }
    if (f.size() > 9 && !f[9].empty()) {
        if (!ParseNumber(f[9], -2147483647L - 1, 2147483647L, &n)) return fail("points must be a 32-bit number");
        p.points = static_cast<int32_t>(n);
    }
    *out = p;
    return true;
}

void ProfileTable::Set(const MemberProfile& profile) {
    std::lock_guard<std::mutex> lock(mutex_);
    profiles_[profile.id] = profile;
}

MemberProfile ProfileTable::Get(const std::string& id) const {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto it = profiles_.find(id);
    return it != profiles_.end() ? it->second : DefaultProfile(id);
}

Bytes BuildIncomingChatRecord(const MemberProfile& m, char requestFlag) {
    Bytes r(114, 0);
    PutText(&r[0], 13, m.id);
    PutUtf8(&r[13], 19, m.nickname);
    r[32] = static_cast<uint8_t>(m.sex);
    PutU16BE(&r[33], static_cast<uint16_t>(m.age));
    PutUtf8(&r[35], 19, m.occupation);
    PutUtf8(&r[54], 16, m.region);
    PutUtf8(&r[70], 32, m.topic);
    PutU16BE(&r[102], static_cast<uint16_t>(m.taste));
    PutText(&r[104], 5, m.popularity);
    r[109] = static_cast<uint8_t>(requestFlag);
    PutU32BE(&r[110], static_cast<uint32_t>(m.points));
    return r;
}

Bytes BuildReceivedNote(const MemberProfile& m, const std::string& text) {
    const std::string_view note = CutUtf8(text, kMaxBodyLength - kNoteRecordSize);
    Bytes r(kNoteRecordSize + note.size(), 0);
    PutText(&r[0], 13, m.id);
    PutUtf8(&r[13], 19, m.nickname);
    PutU16BE(&r[32], static_cast<uint16_t>(m.age));
    r[34] = static_cast<uint8_t>(m.sex);
    PutUtf8(&r[35], 19, m.occupation);
    PutUtf8(&r[54], 16, m.region);
    PutUtf8(&r[70], 32, m.topic);
    PutU16BE(&r[102], static_cast<uint16_t>(m.taste));
    PutText(&r[104], 5, m.popularity);
    PutU32BE(&r[109], static_cast<uint32_t>(m.points));
    PutU16BE(&r[113], static_cast<uint16_t>(note.size()));
    std::copy(note.begin(), note.end(), r.begin() + kNoteRecordSize);
    return r;
}

Bytes BuildMemberWireRecord(const MemberProfile& m, char operation, bool chatting) {
    Bytes r(141, 0);
    r[0] = static_cast<uint8_t>(operation);
    r[1] = static_cast<uint8_t>(m.sex);
    PutText(&r[2], 13, m.id);
    r[15] = chatting ? 'T' : 'W';
    PutUtf8(&r[16], 19, m.nickname);
    PutText(&r[35], 5, m.popularity);
    PutU16BE(&r[40], static_cast<uint16_t>(m.age));
    PutUtf8(&r[42], 16, m.region);
    PutU16BE(&r[58], 0);  // album count
    PutU32BE(&r[60], static_cast<uint32_t>(m.points));
    PutUtf8(&r[64], 32, m.topic);
    r[96] = 'N';
    r[97] = static_cast<uint8_t>(m.webcam);
    PutU16BE(&r[98], static_cast<uint16_t>(m.taste));
    PutText(&r[100], 20, "2024/01/01/00/00/00");
    r[120] = 'N';
    PutUtf8(&r[121], 18, m.occupation);
    r[140] = 'N';
    return r;
}

}  // namespace devserver
