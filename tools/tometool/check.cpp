#include "check.h"

#include "dbase/check.h"
#include "values.h"

namespace tometool {
namespace {

constexpr int kMaxLinesPerKind = 20;  // keeps a badly broken tag's report readable

}  // namespace

int checkTable(const std::string& dbfPath, std::ostream& out) {
  const dbase::CheckReport report = dbase::checkTable(dbfPath, kMaxLinesPerKind);
  for (const auto& problem : report.listed) out << printable(problem.text) << '\n';
  for (const auto& [kind, n] : report.counts) {
    if (n > kMaxLinesPerKind) out << kind << ": " << n - kMaxLinesPerKind << " more not shown\n";
  }
  return report.total;
}

}  // namespace tometool
