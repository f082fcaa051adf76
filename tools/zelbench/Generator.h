// Benchmark data: a database of N persons with the master data that the jobs
// read, and the changes that a run finds "since the last run".
//
// Generate writes, into a new file, the schema and for every person a name
// and address, one employment period covering the day, one or two badge
// assignments (most persons one badge since they started; some a replaced
// badge; a few two current badges), cost centres for yesterday, today and
// tomorrow, plus a calendar of ten years and the default Fbe row. The
// download table Mvs510Prv stays empty: a U run fills it.
//
// Change picks exactly round(N * share / 100) persons and changes their
// master data the way the personnel side does between two runs, in equal
// parts: a new badge from today (the old one ended yesterday), an employment
// and its badge ended yesterday, a new cost centre from today, a new name and
// street.
//
// Both are deterministic: the same seed, person count (or share) and day give
// the same database content. All days are relative to `today`, so the jobs,
// which compare with the machine's day, see the intended situations on the
// day the data was made.
//
// Both return 0, or 1 after writing the reason to standard error.
#pragma once

#include <cstdint>
#include <string>

namespace zelbench {

struct GenerateOptions {
  int64_t persons = 1000;
  uint64_t seed = 1;
  int64_t today = 0;  // day number (util/CivilDate.h) that the data is relative to
};

struct ChangeOptions {
  double sharePercent = 2.0;
  uint64_t seed = 1;
  int64_t today = 0;
};

int Generate(const std::string& file, const GenerateOptions& options);
int Change(const std::string& file, const ChangeOptions& options);

// The person number of person `index` (0-based): eight digits.
std::string PersonNumber(int64_t index);

}  // namespace zelbench
