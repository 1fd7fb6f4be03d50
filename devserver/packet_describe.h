// One readable line for a packet: command name, kind and the decoded fields
// of the body (member texts shown as UTF-8, everything else escaped).
#pragma once
#include <string>

#include "wire_packet.h"

namespace devserver {

// fromClient tells which side's body layout applies (the same command number
// carries different bodies in the two directions).
std::string DescribePacket(Channel channel, bool fromClient, const WirePacket& packet);

// Describes raw bytes that may hold several packets, a cut packet or garbage.
std::string DescribeRawBytes(Channel channel, const Bytes& bytes);

}  // namespace devserver
