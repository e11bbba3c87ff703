// Names that cannot pass for someone else's: the rules a new or changed
// player name meets beyond checkPlayerName, and the look-alike skeleton
// that must be unique among players.
#pragma once

#include <string>

struct NameVerdict {
    bool allowed = false;
    std::string why;      // when refused: a reason a player can act on
    std::string skeleton; // when allowed: what the name looks like, case aside
};

// For a name that already passed checkPlayerName. Refuses scripts mixed in
// ways that imitate another script (ICU's moderately restrictive level),
// digits of several numbering systems, invisible code points (the Hangul
// fillers included), runs of spaces, and names without a letter or digit.
NameVerdict judgeNewName(const std::string& name);

// What a name looks like, case aside: ICU's confusable skeleton, folded to
// one case and taken again. Two names with the same skeleton look alike.
// Empty if ICU cannot compute one.
std::string nameSkeleton(const std::string& name);

// The skeletons' version (ICU's, with ours): stored skeletons are taken
// again when it changes.
std::string skeletonVersion();
