#include "tools/SqlCommand.h"

#include <chrono>
#include <cstdio>
#include <filesystem>

#include "core/DateTime.h"
#include "data/sql/Query.h"
#include "tools/DumpFormat.h"

namespace tools {
namespace {

// NAME=TYPE:VALUE into the query's parameter; false when malformed.
bool SetParam(data::Query& q, const std::string& arg) {
  const auto eq = arg.find('=');
  const auto colon = arg.find(':', eq == std::string::npos ? 0 : eq);
  if (eq == std::string::npos || eq == 0 || colon == std::string::npos) return false;
  const std::string name = arg.substr(0, eq);
  const std::string type = arg.substr(eq + 1, colon - eq - 1);
  const std::string value = arg.substr(colon + 1);
  if (type == "str") {
    q.ParamByName(name).SetAsString(value);
  } else if (type == "int") {
    std::size_t used = 0;
    long long v = 0;
    try {
      v = std::stoll(value, &used);
    } catch (const std::exception&) {
      return false;
    }
    if (used != value.size()) return false;
    q.ParamByName(name).SetAsInteger(v);
  } else if (type == "date") {
    int y = 0, m = 0, d = 0;
    char tail = 0;
    TDate day = 0;
    if (std::sscanf(value.c_str(), "%4d-%2d-%2d%c", &y, &m, &d, &tail) != 3 || !dt::TryEncodeDate(y, m, d, day))
      return false;
    q.ParamByName(name).SetAsDate(day);
  } else {
    return false;
  }
  return true;
}

// "--tiempo=S" into the time limit; false when malformed.
bool SetTime(const std::string& arg, data::QueryLimits& limits) {
  const std::string value = arg.substr(std::string("--tiempo=").size());
  std::size_t used = 0;
  long long seconds = 0;
  try {
    seconds = std::stoll(value, &used);
  } catch (const std::exception&) {
    return false;
  }
  if (used != value.size() || seconds < 1 || seconds > 86400) return false;
  limits.time = std::chrono::seconds(seconds);
  return true;
}

}  // namespace

int SqlCommand(const std::vector<std::string>& given, std::ostream& out, std::ostream& err) {
  // The connection only reads; these bound what a query typed here can cost.
  data::QueryLimits limits{std::chrono::seconds(kDefaultSeconds), kMaxValues};
  std::vector<std::string> args;
  for (const std::string& a : given) {
    if (a.rfind("--tiempo=", 0) != 0) {
      args.push_back(a);
    } else if (!SetTime(a, limits)) {
      err << "quillar-data: tiempo no válido: " << a << " (--tiempo=SEGUNDOS, de 1 a 86400)\n";
      return 1;
    }
  }
  if (args.size() < 2) {
    err << "uso: quillar-data sql [--tiempo=SEGUNDOS] DIRECTORIO 'SELECT ...' [NOMBRE=int|date|str:VALOR ...]\n";
    return 1;
  }
  std::string folder = args[0];
  std::error_code ec;
  if (!std::filesystem::is_directory(folder, ec)) {
    err << "quillar-data: no se encuentra el directorio " << folder << "\n";
    return 2;
  }
  if (folder.back() != '/') folder += '/';
  data::Query q(folder);
  q.SetSQL({args[1]});
  q.SetLimits(limits);
  for (std::size_t i = 2; i < args.size(); ++i) {
    if (!SetParam(q, args[i])) {
      err << "quillar-data: parámetro no válido: " << args[i] << " (NOMBRE=int|date|str:VALOR, fecha AAAA-MM-DD)\n";
      return 1;
    }
  }
  try {
    q.Open();
  } catch (const data::DbError& e) {
    err << "quillar-data: " << e.what() << "\n";
    return 1;
  }
  std::string line;
  for (int i = 0; i < q.FieldCount(); ++i) line += (i ? "\t" : "") + EscapeField(q.FieldNames()[i]);
  out << line << "\n";
  for (q.First(); !q.Eof(); q.Next()) {
    line.clear();
    for (int i = 0; i < q.FieldCount(); ++i) {
      if (i) line += '\t';
      line += EscapeField(q.FieldByNumber(i).AsString());
    }
    out << line << "\n";
  }
  return 0;
}

}  // namespace tools
