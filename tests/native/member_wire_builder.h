// Builds 141-byte member records of the list protocol for the tests.
#pragma once
#include <string>

#include "member_record.h"
#include "test_bytes.h"

struct WireMember {
    char op = 'A';
    char sex = 'F';
    std::string id = "kim01";
    char status = 'W';
    std::string nickname = "Nick";
    std::string popularity = "77";
    int16_t age = 25;
    std::string region = "Seoul";
    int16_t album = 3;
    int32_t points = 0;
    std::string topic = "hello";
    char friendFlag = 'N';
    char webcam = 'Y';
    int16_t taste = 5;
    std::string stamp = "2024/1/2/3/4/5";
    char blocked = 'N';
    std::string occupation = "student";
    char buddy = 'N';

    Bytes Body() const {
        using namespace member_wire;
        Bytes b(kRecordLength, 0);
        PutByte(b, kOperation, static_cast<uint8_t>(op));
        PutByte(b, kSex, static_cast<uint8_t>(sex));
        Put(b, kId, id.substr(0, kIdWidth));
        PutByte(b, kStatus, static_cast<uint8_t>(status));
        Put(b, kNickname, nickname.substr(0, kNicknameWidth));
        Put(b, kPopularity, popularity.substr(0, kPopularityWidth));
        Put16BE(b, kAge, static_cast<uint16_t>(age));
        Put(b, kRegion, region.substr(0, kRegionWidth));
        Put16BE(b, kAlbum, static_cast<uint16_t>(album));
        Put32BE(b, kPoints, static_cast<uint32_t>(points));
        Put(b, kTopic, topic.substr(0, kTopicWidth));
        PutByte(b, kFriend, static_cast<uint8_t>(friendFlag));
        PutByte(b, kWebcam, static_cast<uint8_t>(webcam));
        Put16BE(b, kTaste, static_cast<uint16_t>(taste));
        Put(b, kStamp, stamp.substr(0, kStampWidth));
        PutByte(b, kBlocked, static_cast<uint8_t>(blocked));
        Put(b, kOccupation, occupation.substr(0, kOccupationWidth));
        PutByte(b, kBuddy, static_cast<uint8_t>(buddy));
        return b;
    }
    MemberWireRecord Wire() const {
        const Bytes b = Body();
        return *ParseMemberWireRecord(b.data(), b.size());
    }
    // Built with the conversion left out (member texts are ASCII here).
    MemberRecord Record() const { return BuildMemberRecord(Wire(), nullptr); }
};
