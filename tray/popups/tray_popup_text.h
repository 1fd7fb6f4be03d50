// The texts the popups build from member data (EscapeAmpersands,
// GroupThousands, MemberTitle, NoteSenderHeading) belong to the portable
// core, where they are tested natively.
#pragma once
#include "popup_text.h"
