// "quillar-data sql" on a folder written by another dBase tool (Perl's XBase:
// dBase III files with a .dbt memo, lower-case extensions, no index).
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <memory>

namespace {

struct ShellRun {
  int status = -1;
  std::string out;
};

ShellRun Shell(const std::string& command) {
  ShellRun r;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return r;
  std::array<char, 4096> buf;
  for (std::size_t n; (n = fread(buf.data(), 1, buf.size(), pipe)) > 0;) r.out.append(buf.data(), n);
  const int status = pclose(pipe);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

class SqlCommandTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = (std::filesystem::temp_directory_path() / "SqlCommandTest").string();
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
    const std::string script = R"(
use XBase;
my ($dir) = @ARGV;
my $t = XBase->create(name => "$dir/AGENDA",
  field_names => ["ID","FECHA_INI","HORA_INI","ASUNTO","NOTAS","TIPO"],
  field_types => ["N","D","C","C","M","N"], field_lengths => [11,8,5,60,10,11],
  field_decimals => [0,undef,undef,undef,undef,0]) or die XBase->errstr;
$t->set_record(0, 1, "20240510", "09:30", "Reuni\xf3n", "Llevar el informe", 1);
$t->set_record(1, 2, "20240511", "08:00", "Desayuno", "", 0);
$t->set_record(2, 3, "20240512", "10:00", "Borrada", "x", 1);
$t->set_record(3, 4, "20240601", "17:45", "Tab\there", "dos\r\nlineas", 5);
$t->delete_record(2);
$t->close;
my $c = XBase->create(name => "$dir/CATEGORIAS", field_names => ["ID","CATEGORIA"],
  field_types => ["N","C"], field_lengths => [11,50], field_decimals => [0,undef]) or die XBase->errstr;
$c->set_record(0, 0, "Normal");
$c->set_record(1, 1, "Trabajo");
$c->close;
)";
    const std::string scriptPath = folder_ + "/make.pl";
    FILE* f = fopen(scriptPath.c_str(), "w");
    ASSERT_NE(f, nullptr);
    fputs(script.c_str(), f);
    fclose(f);
    ASSERT_EQ(Shell("perl " + scriptPath + " " + folder_ + " 2>&1").status, 0);
  }
  static ShellRun Sql(const std::string& args) { return Shell(std::string(QUILLAR_DATA_EXE) + " sql " + args + " 2>&1"); }
  static std::string folder_;
};

std::string SqlCommandTest::folder_;

TEST_F(SqlCommandTest, PrintsAHeaderAndOneTabSeparatedLinePerRowWithBoundParameters) {
  const struct {
    std::string args;
    std::string out;
  } cases[] = {
      {"'SELECT A.ID, A.FECHA_INI, A.ASUNTO, C.CATEGORIA FROM AGENDA.DBF A "
       "LEFT JOIN \"CATEGORIAS.DBF\" C ON C.ID = A.TIPO WHERE A.FECHA_INI >= :d ORDER BY A.ID' d=date:2024-05-11",
       "ID\tFECHA_INI\tASUNTO\tCATEGORIA\n2\t2024-05-11\tDesayuno\tNormal\n4\t2024-06-01\tTab\\there\t\n"},
      {"'SELECT ID FROM agenda WHERE ASUNTO = :a' a=str:Reunión", "ID\n1\n"},
      {"'SELECT COUNT(*) AS N FROM AGENDA WHERE TIPO = :t' t=int:1", "N\n1\n"},
      {"'SELECT NOTAS FROM AGENDA WHERE ID = 4'", "NOTAS\ndos\\r\\nlineas\n"},
  };
  for (const auto& c : cases) {
    const ShellRun r = Sql(folder_ + " " + c.args);
    EXPECT_EQ(r.status, 0) << c.args << "\n" << r.out;
    EXPECT_EQ(r.out, c.out) << c.args;
  }
}

TEST_F(SqlCommandTest, SelectStarPrintsWhatDumpPrints) {
  const ShellRun sql = Sql(folder_ + " 'SELECT * FROM AGENDA'");
  const ShellRun dump = Shell(std::string(QUILLAR_DATA_EXE) + " dump " + folder_ + "/AGENDA.dbf 2>&1");
  EXPECT_EQ(sql.status, 0);
  EXPECT_EQ(sql.out, dump.out);
  EXPECT_NE(sql.out.find("Reunión"), std::string::npos);
}

TEST_F(SqlCommandTest, ErrorsExitWithSqlitesMessage) {
  const struct {
    std::string args;
    int status;
    std::string message;
  } cases[] = {
      {"'SELECT NOPE FROM AGENDA'", 1, "no such column: NOPE"},
      {"'SELECT * FROM NADA'", 1, "no such table: NADA"},
      {"'SELEC 1'", 1, "syntax error"},
      {"'SELECT ID FROM AGENDA WHERE TIPO = :t'", 1, "t"},
      {"'SELECT 1' t=int:x", 1, "t=int:x"},
      {"'SELECT 1' d=date:2024-02-30", 1, "d=date:2024-02-30"},
      {"'SELECT 1' n=float:1", 1, "n=float:1"},
      {"", 1, "uso:"},
  };
  for (const auto& c : cases) {
    const ShellRun r = Sql(folder_ + " " + c.args);
    EXPECT_EQ(r.status, c.status) << c.args;
    EXPECT_NE(r.out.find(c.message), std::string::npos) << c.args << ": " << r.out;
  }
  const ShellRun missing = Sql(folder_ + "/no-existe 'SELECT 1'");
  EXPECT_EQ(missing.status, 2);
}

TEST_F(SqlCommandTest, DatesFromFunctionsAreDatesAndOnlyReadingRunsWithinItsTime) {
  const std::string outside = folder_ + "/fuera.db";
  const struct {
    std::string args;
    int status;
    std::string out;  // all of it when the status is 0, else a part
  } cases[] = {
      {folder_ + " 'SELECT MIN(FECHA_INI), MAX(FECHA_INI) AS ULTIMA, COUNT(*) AS N FROM AGENDA'", 0,
       "MIN(FECHA_INI)\tULTIMA\tN\n2024-05-10\t2024-06-01\t3\n"},
      {folder_ + " \"ATTACH '" + outside + "' AS fuera\"", 1, "no se permite ATTACH."},
      {folder_ + " \"VACUUM INTO '" + outside + "'\"", 1, "no se permite VACUUM."},
      {"--tiempo=1 " + folder_ + " 'WITH RECURSIVE C(N) AS (SELECT 1 UNION ALL SELECT N + 1 FROM C) SELECT MAX(N) FROM C'",
       1, "la consulta se ha detenido al pasar de 1 segundo."},
      {"--tiempo=0 " + folder_ + " 'SELECT 1'", 1, "--tiempo=SEGUNDOS"},
  };
  for (const auto& c : cases) {
    const ShellRun r = Sql(c.args);
    EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.out;
    if (c.status == 0) {
      EXPECT_EQ(r.out, c.out) << c.args;
    } else {
      EXPECT_NE(r.out.find(c.out), std::string::npos) << c.args << ": " << r.out;
    }
  }
  EXPECT_FALSE(std::filesystem::exists(outside));
}

}  // namespace
