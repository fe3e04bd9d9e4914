#pragma once

#include "url/DecisionJournal.h"

#include <string>
#include <string_view>
#include <vector>

// The decision on a link in plain language, for example "Not listed: the extension 'pdf' is not
// in File Types (EXE;ZIP). Found on http://h/docs/index.html."
std::string WhyText(const CLinkExplanation& link);

// The text for a URL that no page of the session led to, with the nearest URLs that were met.
std::string NotMetText(const std::vector<std::string>& nearest);

// The columns of a decision in a listing: the decision ("not listed"), the reason
// ("not-in-file-types") and the one value that explains it ("EXE;ZIP").
std::string_view VerdictWord(CVerdict verdict);
std::string_view ReasonWord(CReason reason);
std::string ValueText(const CDecision& decision);
