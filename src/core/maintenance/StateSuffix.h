#pragma once

#include <QString>

// The rules of "Renomear Pastas para UF": which rows already carry a state suffix, which folder
// a base's database path names, and what its new name is.
namespace orq {

// The 27 Brazilian federative units, each after a "_", searched as one plain text.
const QString& stateCodeText();

// Whether a caption already counts as suffixed: its last three characters (all of it when
// shorter) occur anywhere in the state-code text, letter case significant. So "X_SP", "SP_",
// "TESTE_A" and "SP" count, "X_sp" does not.
bool countsAsSuffixed(const QString& caption);

// The base folder a database path names: the text before its last separator (a separator
// right after a colon or another separator stays, as in "C:\"; a colon after the last
// separator ends the folder part). The backslash and, unlike the product's own path rules, the
// slash separate: a template written with slashes names real folders too.
QString databaseFolder(const QString& databasePath);

// Whether the folder already ends with the suffix ("_" + state code), exactly.
bool endsWithSuffix(const QString& folder, const QString& suffix);

// Why a folder may not be renamed to folder + suffix; empty when it may. The new name must stay
// the same folder's name: the folder must be the row's own base folder (named as the row) and
// the state code must hold no path separator, no control character and not be "." or "..".
QString suffixRenameProblem(const QString& folder, const QString& caption, const QString& code);

// Resume bookkeeping of the batch: the rows are visited in order from a start index, a worker
// is started for each unsuffixed row, and the scan stops once the live workers reach the limit;
// the next scan resumes after the row whose worker was started last.
class SuffixScan {
public:
    static constexpr int Limit = 20;

    // Last stop: the row of the last started worker, or the row count after a complete scan.
    int ufindex = 0;

    // Scans from start; startWorker(row) starts one worker, liveWorkers() tells how many live.
    // Returns the number of workers started.
    template <class Caption, class Start, class Live>
    int scan(int start, int rowCount, Caption&& captionOf, Start&& startWorker,
             Live&& liveWorkers) {
        int started = 0;
        for (int row = start; row < rowCount; ++row) {
            if (countsAsSuffixed(captionOf(row)))
                continue;
            startWorker(row);
            ++started;
            if (liveWorkers() >= Limit) {
                ufindex = row;
                return started;
            }
        }
        ufindex = rowCount;
        return started;
    }

    // Where the next scan starts, or nothing when the last one reached the end.
    bool hasMore(int rowCount) const { return ufindex < rowCount; }
    int resumeRow() const { return ufindex + 1; }
};

} // namespace orq
