// The directory walker's kinds of entry passed over, kept apart from the walker's code because the
// scan record and the report below it count and name them.
#pragma once

// Kinds of entry the walk passes over without offering it to the detectors, counted for the
// scan's report (the window's lines and statistics never show them).
enum WalkSkip {
    kSkipTooLong,     // neither the long nor the short spelling of the path fits the buffers
    kSkipUnnameable,  // the 8-bit functions cannot spell the name and there is no short name
    kSkipLink,        // a folder that is a link (or whose reparse tag cannot be read): not entered
    kSkipUnlistable,  // a folder that could not be listed
    kSkipOffline,     // shown and counted, never opened: opening would recall it from a store
    kSkipTooDeep,     // a folder below the walker's depth bound: not entered
    kSkipTrimmed,     // the name ends in a dot or a space (the path rules trim it) and there is no short name
    kWalkSkipKinds
};
