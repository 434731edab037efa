// Stored text of the current record for readers that work on the bytes
// themselves (the query layer's text filter, the main window's remembered
// records).
#include "data/CodePage.h"
#include "data/FieldCodec.h"
#include "data/Table.h"
#include "data/TableFiles.h"

namespace data {

std::string_view Table::StoredText(int index, std::string& scratch) const {
  RequireActive();
  const auto& f = files_->header.fields.at(static_cast<std::size_t>(index));
  if (f.type == 'C') return StoredChars(f, record_.data());
  if (f.type != 'M') throw DbError("El campo " + f.name + " no es de texto.");
  if (auto it = memoEdits_.find(index); it != memoEdits_.end()) {
    scratch = FromUtf8(it->second, files_->header.codePage);
    return scratch;
  }
  const std::uint32_t block = ReadMemoBlock(f, record_.data());
  if (block == 0 || !files_->memo.IsOpen()) return {};
  return files_->memo.Bytes(block, scratch);
}

std::string_view Table::RecordBytes() const {
  RequireActive();
  return record_;
}

std::vector<std::string> Table::FieldTextsOf(std::string_view bytes) {
  RequireBrowse("leer un registro guardado aparte");
  if (bytes.size() != record_.size()) throw DbError("El registro guardado aparte no es de la tabla " + tableName_ + ".");
  std::string current(bytes);
  record_.swap(current);
  std::vector<std::string> out;
  out.reserve(files_->header.fields.size());
  try {
    for (int i = 0; i < static_cast<int>(files_->header.fields.size()); ++i) out.push_back(FieldByNumber(i).AsString());
  } catch (...) {
    record_.swap(current);
    throw;
  }
  record_.swap(current);
  return out;
}

}  // namespace data
