#pragma once

#include <optional>
#include <string>

#include "cli/options.h"
#include "cli/session.h"
#include "datafile/saved_file.h"
#include "workflow/files.h"

namespace tarn::cli {

// `report A.csv B.csv ... --out R.html`: each file's figures as stats prints
// them, how each run's rms noise compares with the first's, and the
// comparison page. The exit status: 0 done, 1 a file that cannot be read or
// written, 2 files that are not data files or cannot be compared.
int compareFiles(Context& context, const Options& options);

}  // namespace tarn::cli
