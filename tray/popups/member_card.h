// The member card of the chat popups: a heading line and five detail lines
// beside the labels printed on the skin.
#pragma once
#include <windows.h>

#include <string>

#include "popup_look.h"
#include "bodies.h"
#include "records.h"

struct MemberCard {
    std::string memberId, nickname, occupation, region, chatTopic, tasteName, popularity;
    char sex = 0;
    int age = 0;
    int taste = -1;
    int points = 0;
};

// From the main window's chatTarget (texts in code page 949, as the controls send them).
MemberCard CardFromChatTarget(const ChatTargetInfo& target);
// From a target's texts in UTF-8 (one taken from a received note).
MemberCard CardFromChatFields(const ChatTargetFields& fields);
// From a server record: the UTF-8 texts, cleaned and bounded (FromUtf8).
MemberCard CardFromIncomingRecord(const IncomingChatRecord& record);

enum class CardStyle {
    Chat,         // line 1015: a woman's occupation, a man's grouped points in bold
    PointsShort,  // line 1015: the occupation whatever the sex
};

// Fills lines 1013 and 1015-1019. The title is shown as given (built from
// the nickname in its display form); the member's own texts are shown with
// their ampersands escaped.
void FillMemberCard(HWND popup, const MemberCard& card, const std::string& title, CardStyle style);

// The card's fonts and colours: the title in its font and the default text
// colour over the skin, the details in the details colour; a man's points
// (Chat style) in the bold font.
struct CardFonts {
    const CFont* title;
    const CFont* details;
    const CFont* bold;  // may be null
};
void DressMemberCard(HWND popup, PopupPalette& palette, const MemberCard& card, CardStyle style,
                     const CardFonts& fonts);
