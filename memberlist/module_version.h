// The version text Rosterly sends at login: the FileVersion of its own
// module file, its first four blank-separated parts joined ("1, 0, 0, 46"
// gives "1,0,0,46"); empty when the file has no version resource.
#pragma once
#include <string>

std::string ReadModuleVersionText();
