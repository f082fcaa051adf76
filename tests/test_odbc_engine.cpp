// The ODBC engine's own parts: how LOGIN and PASS join the connection
// string, how connect failures map, the Oracle texts with positional
// markers, and what reaches the driver on the Oracle path. The engine's
// semantics are those of every suite, which runs on ODBC too
// (ZEL_TEST_ENGINE=odbc).
#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "DbTestSupport.h"
#include "db/EngineFactory.h"
#include "db/Session.h"
#include "db/Statement.h"
#include "db/engine/Dialect.h"
#include "db/engine/odbc/OdbcConnString.h"
#include "db/engine/odbc/OdbcEngine.h"
#include "db/tables/DbstdCatalog.h"
#include "platform/FaultInjection.h"
#include "util/OraStatus.h"

namespace {

#define ZEL_ODBC_ONLY() \
  if (!::zeltest::OnOdbc()) GTEST_SKIP() << "needs the ODBC test data source (ZEL_TEST_ENGINE=odbc)"

// A value with the separators of a connection string travels in braces, its
// '}' doubled; the shown string never holds the password.
TEST(OdbcConnString, LoginAndPasswordAreQuotedAndThePasswordIsNeverShown) {
  struct Case {
    const char* user;
    const char* password;
    const char* connect;
  } cases[] = {
      {"zel", "secret", "DSN=site;UID=zel;PWD=secret"},
      {"", "", "DSN=site"},
      {"zel", "a;b", "DSN=site;UID=zel;PWD={a;b}"},
      {"zel", "x}y", "DSN=site;UID=zel;PWD={x}}y}"},
      {"zel", "{a}", "DSN=site;UID=zel;PWD={{a}}}"},
      {"z;e}l", " lead", "DSN=site;UID={z;e}}l};PWD={ lead}"},
  };
  for (const Case& c : cases) {
    const std::string connect = zeldb::Odbc_ConnectString("DSN=site", c.user, c.password);
    EXPECT_EQ(connect, c.connect) << c.user << " / " << c.password;
    const std::string shown = zeldb::Odbc_ShownConnectString(connect);
    EXPECT_EQ(shown.find("PWD"), std::string::npos) << shown;
    if (*c.password) {
      EXPECT_EQ(shown.find(c.password), std::string::npos) << shown;
    }
  }
  EXPECT_EQ(zeldb::Odbc_ShownConnectString("DSN=x;pwd={a;b}};c};Database=d"), "DSN=x;Database=d");
  EXPECT_TRUE(zeldb::Odbc_IsDataSource("dsn=x"));
  EXPECT_FALSE(zeldb::Odbc_IsDataSource("host=/tmp dbname=x"));
  // A data source is a server, not a file, and is shown without its password.
  EXPECT_TRUE(zeldb::Engine_IsServer("DSN=x"));
  EXPECT_EQ(zeldb::Engine_ShownServer("DSN=x;PWD=secret"), "DSN=x");
}

// Every marker is a parameter of its own, a repeated host variable
// included; the into list goes; everything else stays byte for byte.
TEST(OdbcOracleText, MarkersBecomePositionalWithRepeatedBindings) {
  struct Case {
    const char* oracle;
    const char* odbc;
    std::vector<int> outputs, parameters;
  } cases[] = {
      {"select count(*)  into :b0  from X where (a>:b1 and b<=:b2 and c>=:b1)",
       "select count(*)    from X where (a>? and b<=? and c>=?)", {0}, {1, 2, 1}},
      {"select A ,TO_CHAR(D,'yyyymmdd') into :b0:b1,:b2:b3  from MvSystem.T where K=:b0 and d<=trunc(sysdate)",
       "select A ,TO_CHAR(D,'yyyymmdd')   from MvSystem.T where K=? and d<=trunc(sysdate)", {0, 2}, {0}},
      {"update T set D=TO_DATE(:b0,'yyyymmdd')+:b1 ,E=sysdate ,F=':b2' where G=:b3 or H=:b0",
       "update T set D=TO_DATE(?,'yyyymmdd')+? ,E=sysdate ,F=':b2' where G=? or H=?", {}, {0, 1, 3, 0}},
  };
  for (const Case& c : cases) {
    const zeldb::Translation tr = zeldb::Translate_Markers(c.oracle);
    ASSERT_TRUE(tr.ok) << c.oracle << ": " << tr.error;
    EXPECT_EQ(tr.sql, c.odbc);
    EXPECT_EQ(tr.outputs, c.outputs) << c.oracle;
    EXPECT_EQ(tr.parameters, c.parameters) << c.oracle;
  }
}

// A driver's diagnostic as the job reports it. A timeout or cancel is the
// lock wait whatever its wording; a raised Oracle number counts only where
// the server's message begins with it, behind the driver's bracketed names
// (or PostgreSQL's severity), never where a message merely quotes one.
TEST(OdbcEngine, DiagnosticsMapToOracleStatuses) {
  struct Case {
    const char* dbms;
    const char* sqlstate;
    int32_t native;
    const char* message;
    int32_t status;
  } cases[] = {
      {"Oracle", "HYT00", 1013, "[Oracle][ODBC][Ora]ORA-01013: user requested cancel of current operation",
       ora::kBusy},
      {"Oracle", "HY008", 1013, "[Oracle][ODBC][Ora]ORA-01013: user requested cancel of current operation",
       ora::kBusy},
      {"Oracle", "HY000", 20001, "[Oracle][ODBC][Ora]ORA-20001: refused", -20001},
      {"Oracle", "42S02", 942, "", ora::kTableMissing},  // the server's number where its words are missing
      {"", "28000", 1017, "[Oracle][ODBC][Ora]ORA-01017: invalid username/password; logon denied", ora::kBadLogin},
      {"", "08004", 12154, "[Oracle][ODBC][Ora]ORA-12154: TNS:could not resolve the connect identifier",
       ora::kServiceUnknown},
      {"PostgreSQL", "P0001", 1, "ERROR: ORA-20002: refused;\nError while executing the query", -20002},
      {"PostgreSQL", "22P02", 1,
       "ERROR: invalid input syntax for type integer: \"ORA-12\";\nError while executing the query", ora::kInternal},
      {"PostgreSQL", "57P01", 35, "FATAL: terminating connection due to administrator command", ora::kNotConnected},
  };
  for (const Case& c : cases)
    EXPECT_EQ(zeldb::Odbc_MapDiagnostic(c.dbms, c.sqlstate, c.native, c.message), c.status) << c.message;
}

// Connect failures as the job reports them, and a server the engine does
// not know refused before any statement runs. (PostgreSQL's driver reads a
// braced UID as it stands, braces included, so only the password shows the
// quoting end to end here; the rows above show it for both.)
TEST(OdbcEngine, ConnectFailuresMapToOracleStatuses) {
  ZEL_ODBC_ONLY();
  zeltest::UseTestOdbcConfiguration();
  struct Case {
    const char* what;
    std::string user, password, service;
    const char* assumedServer;
    int32_t status;
  } cases[] = {
      {"password with ; } and {", "zelodbc", "pw;with}braces{", "DSN=zelpg", nullptr, 0},
      {"wrong password", "zelodbc", "pw;with}braces", "DSN=zelpg", nullptr, ora::kBadLogin},
      {"missing data source", "postgres", "", "DSN=zelnosuch", nullptr, ora::kServiceUnknown},
      {"unknown server name", "postgres", "", "DSN=zelpg;Servername=zel-no-such-host.invalid", nullptr,
       ora::kServiceUnknown},
      {"unknown database", "postgres", "", "DSN=zelpg;Database=zelnosuchdb", nullptr, ora::kServiceUnknown},
      {"server the engine does not know", "postgres", "", "DSN=zelpg", "MySQL", ora::kNoSuchEngine},
  };
  for (const Case& c : cases) {
    zeldb::Odbc_AssumeServerForTest(c.assumedServer);
    std::unique_ptr<zeldb::EngineConnection> conn;
    EXPECT_EQ(zeldb::Engine_Connect({c.user, c.password, c.service}, conn), c.status) << c.what;
    EXPECT_EQ(conn != nullptr, c.status == 0) << c.what;
    if (!conn) continue;
    // Connected as the user given, not as one the cut string would name.
    std::unique_ptr<zeldb::EngineStatement> st;
    ASSERT_EQ(conn->Prepare("select current_user", st), 0) << c.what;
    ASSERT_EQ(st->Step(), 0) << c.what;
    EXPECT_EQ(st->ColumnText(0), c.user) << c.what;
  }
  zeldb::Odbc_AssumeServerForTest(nullptr);
}

// A prepared statement keeps its parameter and column bindings from one
// execution to the next: a text that outgrows its buffer, a parameter left
// unset (NULL) and one that changes its type reach the server as given, and
// a value longer than its column's buffer arrives whole, on that row and on
// the rows after it.
TEST(OdbcEngine, BindingsLastAcrossExecutionsAndLongValuesArriveWhole) {
  ZEL_ODBC_ONLY();
  zeltest::UseTestOdbcConfiguration();
  std::unique_ptr<zeldb::EngineConnection> conn;
  ASSERT_EQ(zeldb::Engine_Connect({"postgres", "", "DSN=zelpg"}, conn), 0);
  std::unique_ptr<zeldb::EngineStatement> echo;
  ASSERT_EQ(conn->Prepare("select cast(? as varchar) || '|', cast(? as varchar)", echo), 0);
  const std::string longText(300, 'x');
  const std::string longEcho = longText + "|";
  struct Case {
    std::optional<std::string> text;
    std::optional<int64_t> number;
    const char* first;  // nullptr: NULL
    const char* second;
  } cases[] = {
      {"a", 7, "a|", "7"},
      {longText, std::nullopt, longEcho.c_str(), nullptr},
      {std::nullopt, -3, nullptr, "-3"},
      {"b", 5000000000, "b|", "5000000000"},
      {longText, 1, longEcho.c_str(), "1"},
  };
  for (const Case& c : cases) {
    echo->Reset();
    if (c.text) echo->BindText(1, *c.text);
    if (c.number) echo->BindInt(2, *c.number);
    ASSERT_EQ(echo->Step(), 0);
    EXPECT_EQ(echo->ColumnIsNull(0), c.first == nullptr);
    if (c.first) {
      EXPECT_EQ(echo->ColumnText(0), c.first);
    }
    EXPECT_EQ(echo->ColumnIsNull(1), c.second == nullptr);
    if (c.second) {
      EXPECT_EQ(echo->ColumnText(1), c.second);
    }
  }
  // Two-byte characters, far beyond any buffer a text column of unknown
  // width is given, then a short and a longer value again.
  std::unique_ptr<zeldb::EngineStatement> rows;
  ASSERT_EQ(conn->Prepare("select repeat('\xc3\xa4', n), n from (values (1, 3000), (2, 1), (3, 9000), (4, null)) "
                          "t(k, n) order by k",
                          rows),
            0);
  for (const int n : {3000, 1, 9000}) {
    ASSERT_EQ(rows->Step(), 0) << n;
    const std::string_view text = rows->ColumnText(0);
    EXPECT_EQ(text.size(), 2u * n);
    EXPECT_EQ(text.substr(text.size() - 2), "\xc3\xa4");
    EXPECT_EQ(rows->ColumnInt(1), n);
  }
  ASSERT_EQ(rows->Step(), 0);
  EXPECT_TRUE(rows->ColumnIsNull(0));
  EXPECT_EQ(rows->Step(), ora::kNoRow);
  // Values one byte either side of a column's buffer and exactly as long as
  // it: the first buffer (at most 4096 bytes) and the one regrown for the
  // longest value so far (5000 bytes and its NUL).
  std::unique_ptr<zeldb::EngineStatement> edges;
  ASSERT_EQ(conn->Prepare("select repeat('x', n) || 'y' from unnest(array[4094, 4095, 4999, 4999, 5000, 4998, "
                          "5001]) with ordinality t(n, k) order by k",
                          edges),
            0);
  for (const size_t n : {4094, 4095, 4999, 4999, 5000, 4998, 5001}) {
    ASSERT_EQ(edges->Step(), 0) << n;
    EXPECT_EQ(edges->ColumnText(0), std::string(n, 'x') + "y") << n;
  }
  EXPECT_EQ(edges->Step(), ora::kNoRow);
}

// A cursor opened again and again with short results goes on delivering
// exactly its rows when its connection gives up streaming after a number of
// opens (and is made anew under the prepared statement), closed early or
// read to its end, and so does a long result afterwards.
TEST(OdbcEngine, CursorOpenedManyTimesKeepsItsRowsAcrossTheChangeOfConnection) {
  ZEL_ODBC_ONLY();
  zeltest::UseTestOdbcConfiguration();
  std::unique_ptr<zeldb::EngineConnection> main, conn;
  ASSERT_EQ(zeldb::Engine_Connect({"postgres", "", "DSN=zelpg"}, main), 0);
  ASSERT_EQ(main->OpenCursorConnection(conn), 0);
  std::unique_ptr<zeldb::EngineStatement> cursor;
  ASSERT_EQ(conn->Prepare("select cast(k as varchar) || ?, k from generate_series(1, ?) k order by k", cursor), 0);
  const auto open = [&](const std::string& tag, int64_t rows, int64_t read) {
    cursor->Reset();
    cursor->BindText(1, tag);
    cursor->BindInt(2, rows);
    for (int64_t k = 1; k <= read; ++k) {
      ASSERT_EQ(cursor->Step(), 0) << tag << " row " << k;
      EXPECT_EQ(cursor->ColumnText(0), std::to_string(k) + tag);
      EXPECT_EQ(cursor->ColumnInt(1), k);
    }
    if (read == rows) {
      EXPECT_EQ(cursor->Step(), ora::kNoRow) << tag;
    }
  };
  for (int i = 0; i < 40; ++i) open(std::string("-").append(std::to_string(i)), i % 3, i % 2 ? i % 3 : 0);
  open("-long", 3000, 3000);
  cursor->Reset();
}

// A rollback the driver refuses must not leave the transaction to be
// committed by the switch back to autocommit: the connection is dropped, so
// that the server rolls the work back and lets its locks go, and every later
// statement of the session reports that it is not connected.
TEST(OdbcEngine, AFailedRollbackCommitsNothingAndEndsTheConnection) {
  ZEL_ODBC_ONLY();
  zeltest::TestDatabase db;
  std::unique_ptr<zeldb::EngineConnection> conn;
  ASSERT_EQ(zeldb::Engine_Connect({"postgres", "", db.Net8()}, conn), 0);
  std::unique_ptr<zeldb::EngineStatement> insert;
  ASSERT_EQ(conn->Prepare("insert into Mvs300Pnr (PnrNum) values (?)", insert), 0);
  ASSERT_EQ(conn->BeginWrite(), 0);
  insert->BindText(1, "00000001");
  ASSERT_EQ(insert->Step(), ora::kNoRow);
  Plat_InjectFault(PlatFaultPoint::EngineRollback, 1, {});
  EXPECT_TRUE(ora::IsFailure(conn->Rollback()));
  Plat_ClearFaults();
  EXPECT_EQ(db.Value("select count(*) from Mvs300Pnr"), "0");
  // Locks of this database only (the test databases share their tables'
  // numbers), and given a moment: the server ends the dropped session on
  // its own time.
  const std::string locks =
      "select count(*) from pg_locks where relation = 'mvs300pnr'::regclass"
      " and database = (select oid from pg_database where datname = current_database())";
  for (int i = 0; i < 100 && db.Value(locks) != "0"; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(db.Value(locks), "0");
  insert->Reset();
  insert->BindText(1, "00000002");
  EXPECT_EQ(insert->Step(), ora::kNotConnected);
  std::unique_ptr<zeldb::EngineStatement> other;
  EXPECT_EQ(conn->Prepare("select 1", other), ora::kNotConnected);
  EXPECT_EQ(conn->Commit(), ora::kNotConnected);
  EXPECT_EQ(db.Value("select count(*) from Mvs300Pnr"), "0");
}

// On the Oracle path every statement text of the module reaches the driver
// as written but for its markers: recorded where it is handed over for
// preparation, and compared with the table's text, its into list taken out
// and each ":bN" made "?" by a rule of this test's own. (There is no Oracle
// server here: the texts are recorded, and the PostgreSQL server behind the
// data source refuses them, which does not matter.)
TEST(OdbcEngine, OraclePathHandsEveryStatementTextToTheDriverUnchangedButForItsMarkers) {
  ZEL_ODBC_ONLY();
  zeltest::TestDatabase db;
  zeldb::Odbc_AssumeServerForTest("Oracle");
  db.Connect();
  std::vector<std::string> recorded;
  zeldb::Odbc_SetPrepareRecorder([&recorded](const std::string& sql) { recorded.push_back(sql); });
  std::vector<std::string> expected;
  const std::regex intoList(R"(\binto\s+:b\d+(:b\d+)?(\s*,\s*:b\d+(:b\d+)?)*)", std::regex::icase);
  const std::regex marker(R"(:b\d+)");
  const auto expect = [&](const char* text, bool selectInto) {
    std::string s = text;
    if (selectInto) s = std::regex_replace(s, intoList, "", std::regex_constants::format_first_only);
    expected.push_back(std::regex_replace(s, marker, "?"));
  };
  for (const auto* def : zeldb::Dbstd_Statements()) {
    zeldb::Stmt_Prepare(*def);
    expect(def->text, def->kind == zeldb::StmtKind::SelectInto);
  }
  for (const auto* def : zeldb::Dbstd_Cursors()) {
    zeldb::Cursor_Prepare(*def);
    expect(def->text, false);
  }
  zeldb::Odbc_SetPrepareRecorder(nullptr);
  zeldb::InstallSession(nullptr);
  zeldb::Odbc_AssumeServerForTest(nullptr);
  ASSERT_EQ(recorded.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(recorded[i], expected[i]);
}

}  // namespace
