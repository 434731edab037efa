// Table::Verify: the consistency check behind "quillar-data check".
#include <set>

#include "data/CodePage.h"
#include "data/FieldCodec.h"
#include "data/Table.h"
#include "data/TableFiles.h"

namespace data {

std::vector<std::string> Table::Verify() {
  RequireBrowse("comprobar la tabla");
  TableFiles& f = *files_;
  std::vector<std::string> problems;
  if (!f.indexProblem.empty()) problems.push_back(f.indexProblem);
  if (!f.readOnlyReason.empty()) problems.push_back(f.readOnlyReason);
  const std::uint64_t size = f.dbf.Size();
  const std::uint32_t stored = ReadU32(&f.head32[kHdrRecordCount]);
  if (stored != f.header.recordCount)
    problems.push_back("La cabecera cuenta " + std::to_string(stored) + " registros pero el fichero solo tiene " +
                       std::to_string(f.header.recordCount) + ".");
  (void)size;
  f.ForgetWindow();
  std::uint32_t visible = 0;
  for (std::uint32_t r = 1; r <= f.header.recordCount; ++r) {
    std::string rec(f.Record(r), f.header.recordLength);
    if (rec[0] == '*') continue;
    if (rec[0] != ' ') problems.push_back("Registro " + std::to_string(r) + ": marca de borrado desconocida.");
    ++visible;
    for (const auto& fd : f.header.fields) {
      if (fd.type != 'M') continue;
      std::uint32_t block = ReadMemoBlock(fd, rec.data());
      if (block == 0) continue;
      if (!f.memo.IsOpen()) {
        problems.push_back("Registro " + std::to_string(r) + ": memo sin fichero de memos.");
        continue;
      }
      try {
        f.memo.Read(block);
      } catch (const DbError& e) {
        problems.push_back("Registro " + std::to_string(r) + ", campo " + fd.name + ": " + e.what());
      }
    }
  }
  for (auto& p : CheckTags(f)) problems.push_back(std::move(p));
  (void)visible;
  return problems;
}

std::vector<std::string> CheckTags(TableFiles& f) {
  std::vector<std::string> problems;
  for (size_t t = 0; t < f.tags.size(); ++t) {
    IndexTag* tag = f.tags[t];
    const IndexInfo& info = tag->Info();
    const std::string where = "Índice " + info.name + ": ";
    try {
      std::set<std::uint32_t> seen;
      std::optional<IndexEntry> prev;
      size_t reported = 0;
      auto report = [&](const std::string& s) {
        if (reported++ < 20) problems.push_back(where + s);
      };
      for (auto e = tag->First(); e; e = tag->SeekGT(e->key, e->recno)) {
        if (prev && tag->Compare(*prev, e->key, e->recno) >= 0) {
          report("entradas fuera de orden en el registro " + std::to_string(e->recno) + ".");
          break;
        }
        prev = e;
        if (e->recno == 0 || e->recno > f.header.recordCount) {
          report("apunta al registro inexistente " + std::to_string(e->recno) + ".");
          continue;
        }
        const char* rec = f.Record(e->recno);
        if (rec[0] == '*') continue;  // other engines keep deleted records indexed
        const std::string key = f.KeyOf(static_cast<int>(t), rec);
        if (CompareKeys(info.keyType, key.data(), e->key.data(), info.keyLength) != 0)
          report("la clave del registro " + std::to_string(e->recno) + " no coincide con el registro.");
        if (!seen.insert(e->recno).second) report("el registro " + std::to_string(e->recno) + " aparece dos veces.");
        if (seen.size() > f.header.recordCount) break;
      }
      for (std::uint32_t r = 1; r <= f.header.recordCount; ++r) {
        const char* rec = f.Record(r);
        if (rec[0] == '*' || seen.count(r)) continue;
        if (info.unique) {
          const std::string key = f.KeyOf(static_cast<int>(t), rec);
          auto e = tag->SeekGE(key, 0);
          if (e && CompareKeys(info.keyType, e->key.data(), key.data(), info.keyLength) == 0) continue;
        }
        report("falta el registro " + std::to_string(r) + ".");
      }
    } catch (const DbError& e) {
      problems.push_back(where + e.what());
    }
  }
  return problems;
}

}  // namespace data
