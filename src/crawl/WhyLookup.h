#pragma once

#include "url/DecisionJournal.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class CTrawlerCore;

// The decision on a link the session met: its record's while the store keeps one, else the
// kept decision of a record that was let go. Any thread.
std::optional<CLinkExplanation> ExplainLink(const CTrawlerCore& core, std::string_view url);

// Every link the session met with a decision, sorted by URL.
std::vector<CLinkExplanation> ExplainAll(const CTrawlerCore& core);

// Every URL the session met, sorted (for completion).
std::vector<std::string> UrlsMet(const CTrawlerCore& core);

// Up to count URLs of met that are nearest to url: of its directory on its site, else of its
// site, the longest common beginning first.
std::vector<std::string> NearestMet(const std::vector<std::string>& met, std::string_view url,
                                    std::size_t count);

// The plain-language answer for a URL the user gave: the decision, or "not met" with the
// nearest URLs met. A URL without a scheme is taken as http.
std::string WhyAnswer(const CTrawlerCore& core, std::string_view url);
