#pragma once
/// The numbered error table of the collision component and its reporter.
///
/// Every entry carries an action (fatal, warning, info or silent) and a remaining count of 5:
/// an entry reports at most five times per run, the fifth report saying it will not be
/// repeated. Reports go to the toolkit's message channels as finished text.

#include <cstdint>

enum McdErrorAction : std::int16_t {
    kMcdErrorFatal = 0,
    kMcdErrorWarning = 1,
    kMcdErrorInfo = 2,
};

struct McdErrorEntry {
    std::int16_t code;
    std::int16_t action;
    std::int16_t remaining;  ///< reports left; 0 or less: silent
    const char* message;
};

/// Reports per entry before it falls silent.
inline constexpr int kMcdErrorRepeatLimit = 5;
/// Code of the entry that ends the table.
inline constexpr int kMcdErrorEndCode = 38;

enum McdErrorCode : int {
    kMcdErrorNullPointer = 3,
    kMcdErrorWrongType = 4,
    kMcdErrorAllocation = 5,
    kMcdErrorAssertion = 6,
    kMcdErrorRegisterType = 21,
    kMcdErrorPairsExhausted = 24,
    kMcdErrorPairDataExhausted = 25,
    kMcdErrorNoIntersectFn = 30,
    kMcdErrorInvalidInteractionType = 35,
    kMcdErrorNotChanging = 36,
    kMcdErrorChanging = 37,
};

/// The component's table, ended by the entry of code 38.
extern McdErrorEntry McdErrorTable[];

/// The entry of `code`, or the end entry when the table has none.
McdErrorEntry* McdErrorFind(McdErrorEntry* table, int code);

/// Restores every entry's remaining count to the repeat limit.
void McdErrorTableReset(McdErrorEntry* table);

/// Reports error `code`: "Mcd function <function> (in file <file> at line <line>): <message><suffix>\n".
/// A fatal entry goes to `MeFatalError` and then ends the process through the fatal exit
/// (`McdErrorSetFatalExit`); when a replaced exit returns, the caller stops what it was doing.
void McdError(McdErrorEntry* table, int code, const char* suffix, const char* function, const char* file,
              int line);

using McdFatalExitFn = void (*)();

/// Replaces the function a fatal report ends with (default: abort). Null restores the
/// default. Returns the previous one. Lets tests run fatal paths without ending.
McdFatalExitFn McdErrorSetFatalExit(McdFatalExitFn exitFn);
