#include "db/schema/Schema.h"

namespace zeldb {
namespace {

ColumnSpec T(const char* n, int w) { return {n, ColumnKind::Text, w}; }
ColumnSpec I(const char* n) { return {n, ColumnKind::Int}; }
ColumnSpec S(const char* n) { return {n, ColumnKind::Short}; }
ColumnSpec F(const char* n) { return {n, ColumnKind::Double}; }
ColumnSpec D(const char* n) { return {n, ColumnKind::Day}; }
ColumnSpec Ts(const char* n) { return {n, ColumnKind::Instant}; }

// Widths of the shop-floor tables follow the system's usual field sizes:
// keys and codes 20, short marks 8 to 10, designations 40, texts 80, the
// free fields (Zf1..Zf3) 30, download marks 3 and system names 8.
std::vector<TableSpec> Build() {
  return {
      {"Mvs510Prv", false,
       {T("PrvPnr", 8), D("PrvGvo"), D("PrvGbi"), I("PrvBer"), T("PrvKst", 10), T("PrvFbe", 10), I("PrvMmb"),
        T("PrvZf1", 30), T("PrvZf2", 30), T("PrvZf3", 30), S("PrvSta"), Ts("PrvDat"), T("PrvErf", 8), T("PrvDna", 3),
        T("PrvDwn", 8), T("PrvAwn", 8), I("PrvAwa"), I("PrvAnw"), I("PrvApl"), I("PrvApp"), I("PrvPzm"), Ts("PrvAvn"),
        Ts("PrvAbi"), T("PrvNam", 50), T("PrvStr", 50), T("PrvOrt", 50)},
       {"PrvPnr"},
       {{"PrvAwn"}}},
      {"Mvs559Fbe", false, {I("FbeTyp"), T("FbeFbe", 10), T("FbeBez", 40)}, {"FbeTyp", "FbeFbe"}, {}},
      {"Mvs301Asw", true,
       {T("AswNum", 8), D("AswGvo"), D("AswGbi"), T("AswPnr", 8), T("AswErf", 50), Ts("AswDat")},
       {"AswNum", "AswGvo"},
       {{"AswPnr", "AswGvo"}}},
      {"Mvs300Pnr", false, {T("PnrNum", 8), T("PnrNam", 50), T("PnrStr", 50), T("PnrOrt", 50)}, {"PnrNum"}, {}},
      {"Mvs310Bsv", false, {T("BsvPnr", 8), D("BsvGvo"), D("BsvGbi")}, {"BsvPnr", "BsvGvo"}, {}},
      {"Mvs329Ztg", false, {T("ZtgPnr", 8), D("ZtgVon"), T("ZtgKst", 10)}, {"ZtgPnr", "ZtgVon"}, {}},
      {"Mvs133Bak", true,
       {D("BakDtm"), I("BakJhr"), I("BakMon"), I("BakTag"), I("BakWch"), I("BakWtg"), I("BakJtg")},
       {"BakDtm"},
       {},
       true},
      {"Mvs133Kal", true, {T("KalNum", 20), D("KalDtm"), T("KalBtp", 10)}, {"KalNum", "KalDtm"}, {}},
      {"Mvs501Apk", false,
       {T("ApkApk", 20), T("ApkBz1", 40), T("ApkBz2", 40), T("ApkTxt", 80), S("ApkSts"), S("ApkSis"), T("ApkKun", 20),
        T("ApkKb1", 40), T("ApkKb2", 40), D("ApkBgs"), D("ApkEns"), S("ApkAfo"), S("ApkEaf"), T("ApkTnr", 20),
        T("ApkTb1", 40), T("ApkTb2", 40), F("ApkSme"), F("ApkIme"), T("ApkMee", 10), Ts("ApkBdi"), Ts("ApkEdi"),
        T("ApkFbe", 10), T("ApkKst", 10), T("ApkZf1", 30), T("ApkZf2", 30), T("ApkZf3", 30), T("ApkKnz", 10),
        S("ApkSsn"), T("ApkDwn", 8), T("ApkDna", 3), S("ApkSta"), T("ApkErf", 8), I("ApkAba"), Ts("ApkDat")},
       {"ApkApk"},
       {}},
      {"Mvs504App", false,
       {T("AppApk", 20), T("AppApp", 20),  T("AppVaf", 20), T("AppNaf", 20), T("AppBz1", 40), T("AppBz2", 40),
        T("AppTxt", 80), S("AppSts"),      S("AppSis"),     Ts("AppBdi"),    Ts("AppBds"),    Ts("AppSbd"),
        Ts("AppEdi"),    Ts("AppEds"),     Ts("AppSed"),    Ts("AppRad"),    Ts("AppRed"),    I("AppAgs"),
        I("AppAbs"),     I("AppAes"),      F("AppSme"),     F("AppIme"),     F("AppAme"),     T("AppMee", 10),
        F("AppSza"),     F("AppStr"),      F("AppSte"),     F("AppIta"),     F("AppItr"),     F("AppIte"),
        T("AppApg", 20), T("AppApl", 20),  T("AppKt1", 10), T("AppKz1", 10), T("AppKt2", 10), T("AppKz2", 10),
        T("AppKt3", 10), T("AppKz3", 10),  T("AppKt4", 10), T("AppKz4", 10), T("AppFbe", 10), T("AppKst", 10),
        T("AppZf1", 30), T("AppZf2", 30),  T("AppZf3", 30), T("AppKnz", 10), S("AppSsn"),     T("AppDna", 3),
        T("AppDwn", 8),  S("AppSta"),      Ts("AppDat"),    T("AppErf", 8)},
       {"AppApk", "AppApp"},
       {{"AppZf2"}}},
      {"Mvs530Apg", false,
       {T("ApgApg", 20), T("ApgBez", 40), T("ApgTxt", 80), T("ApgFbe", 10), T("ApgKst", 10), I("ApgApl"), I("ApgTag"),
        F("ApgKap"), F("ApgPrd"), F("ApgRst"), F("ApgPau"), F("ApgUnt"), F("ApgIak"), T("ApgSt1", 10), T("ApgSt2", 10),
        T("ApgSt3", 10), F("ApgSf1"), F("ApgSf2"), F("ApgSf3"), T("ApgZf1", 30), T("ApgZf2", 30), T("ApgZf3", 30),
        T("ApgDna", 3), T("ApgDwn", 8), S("ApgSta"), T("ApgErf", 8), Ts("ApgDat")},
       {"ApgApg"},
       {}},
      {"Mvs531Apl", false,
       {T("AplApl", 20), T("AplBez", 40), T("AplTxt", 80), T("AplApg", 20), T("AplFbe", 10), S("AplSts"),
        S("AplSis"),     I("AplApr"),     I("AplAaf"),     T("AplUbg", 20), Ts("AplUdt"),    I("AplTag"),
        F("AplVrf"),     F("AplRsp"),     F("AplRsi"),     F("AplAfp"),     F("AplAfi"),     F("AplPau"),
        F("AplUnt"),     F("AplIak"),     I("AplAvt"),     F("AplKap"),     F("AplAvr"),     F("AplAvp"),
        T("AplSt1", 10), T("AplSt2", 10), T("AplSt3", 10), F("AplSf1"),     F("AplSf2"),     F("AplSf3"),
        T("AplZf1", 30), T("AplZf2", 30), T("AplZf3", 30), T("AplDna", 3),  T("AplDwn", 8),  S("AplSta"),
        T("AplErf", 8),  Ts("AplDat")},
       {"AplApl"},
       {{"AplApg", "AplApl"}}},
      {"Mvs521Ubg", false,
       {T("UbgUbg", 20), I("UbgKnz"), T("UbgFbe", 10), T("UbgBez", 40), T("UbgTxt", 80), T("UbgZf1", 30),
        T("UbgZf2", 30), T("UbgZf3", 30), I("UbgAst"), F("UbgRst"), F("UbgAsf"), T("UbgSt1", 10), T("UbgSt2", 10),
        T("UbgSt3", 10), F("UbgSf1"), F("UbgSf2"), F("UbgSf3"), T("UbgDna", 3), T("UbgDwn", 8), S("UbgSta"),
        T("UbgErf", 8), Ts("UbgDat")},
       {"UbgUbg"},
       {}},
      {"Mvs537Ksg", false,
       {T("KsgApg", 20), D("KsgGvo"), T("KsgKst", 10), D("KsgGbi"), T("KsgFbe", 10), T("KsgZf1", 30), T("KsgZf2", 30),
        T("KsgZf3", 30), S("KsgSta"), T("KsgErf", 8), Ts("KsgDat")},
       {"KsgApg", "KsgGvo"},
       {}},
      {"Mvs553Fzu", false,
       {T("FzuFcd", 20), T("FzuMld", 20), T("FzuBez", 40), T("FzuTxt", 80), I("FzuArt"), I("FzuObj"), I("FzuUpl"),
        I("FzuGen"), T("FzuZf1", 30), T("FzuZf2", 30), T("FzuZf3", 30), S("FzuSta"), T("FzuErf", 8), T("FzuAec", 10)},
       {"FzuFcd", "FzuAec"},
       {{"FzuMld"}}},
      {"Mvs532Aem", false,
       {T("AemApg", 20), T("AemEmo", 20), D("AemGvo"), T("AemBez", 40), T("AemTxt", 80), T("AemKal", 20), I("AemLkz"),
        I("AemVzt"), I("AemEzt"), I("AemPrz"), I("AemAfz"), I("AemApz"), I("AemPrp"), I("AemAfp"), I("AemApp"),
        I("AemMaz"), I("AemKng"), D("AemGbi")},
       {"AemApg", "AemEmo", "AemGvo"},
       {}},
      {"Mvs533Emo", false,
       {T("EmoEmo", 20), T("EmoTtp", 10), T("EmoTxt", 80), I("EmoBeg"), I("EmoEnd"), I("EmoArt"), T("EmoPmo", 20)},
       {"EmoEmo", "EmoTtp", "EmoBeg"},
       {}},
      {"Mvs536Pmz", false, {T("PmzPmo", 20), T("PmzPms", 20), D("PmzGvo"), D("PmzGbi")}, {"PmzPmo", "PmzPms", "PmzGvo"}, {}},
      {"Mvs535Pms", false,
       {T("PmsNum", 20), I("PmsBeg"), I("PmsEnd"), I("PmsInt"), I("PmsPse"), I("PmsBzt"), I("PmsPrz")},
       {"PmsNum", "PmsBeg"},
       {}},
      {"Mvs555Vrg", false, {T("VrgBer", 10), T("VrgFld", 3), T("VrgWrt", 30)}, {"VrgBer", "VrgFld"}, {}},
      {"Mvs591Nzp", false,
       {I("NzpAkz"), D("NzpGvn"), D("NzpGbi"), I("NzpAak"), I("NzpAwt"), I("NzpKjh"), I("NzpKmn"), I("NzpKwo"),
        I("NzpKtg"), I("NzpAan"), I("NzpVfh"), I("NzpNfh"), T("NzpAus", 30), I("NzpMrk"), Ts("NzpAdt")},
       {"NzpAkz", "NzpGvn", "NzpGbi"},
       {}},
  };
}

std::string ColumnType(const ColumnSpec& c, const SqlFlavor& flavor) {
  switch (c.kind) {
    case ColumnKind::Text:
      return flavor.TextColumn(c.name, c.width);
    case ColumnKind::Int:
    case ColumnKind::Short:
      return flavor.IntegerColumn();
    case ColumnKind::Double:
      return flavor.DoubleColumn();
    case ColumnKind::Day:
    case ColumnKind::Instant:
      return flavor.DateColumn(c.name);
  }
  return {};
}

std::string ColumnDefinition(const TableSpec& t, const ColumnSpec& c, const SqlFlavor& flavor) {
  std::string s = std::string(c.name) + " " + ColumnType(c, flavor);
  if (c.notNull || Schema_IsKeyColumn(t, c.name)) s += " NOT NULL";
  return s;
}

}  // namespace

const std::vector<TableSpec>& Schema_Tables() {
  static const std::vector<TableSpec> tables = Build();
  return tables;
}

bool Schema_IsKeyColumn(const TableSpec& table, const char* column) {
  for (const char* k : table.primaryKey)
    if (std::string(k) == column) return true;
  return false;
}

std::string Schema_TableName(const TableSpec& table, const SqlFlavor& flavor) {
  return table.masterSchema ? flavor.Qualified(kMasterSchema, table.name) : table.name;
}

std::vector<std::string> Schema_Ddl(const SqlFlavor& flavor) {
  std::vector<std::string> ddl;
  if (std::string schema = flavor.CreateSchema(kMasterSchema); !schema.empty()) ddl.push_back(std::move(schema));
  for (const TableSpec& t : Schema_Tables()) {
    const std::string name = Schema_TableName(t, flavor);
    std::string s = "CREATE TABLE IF NOT EXISTS " + name + " (\n";
    for (const ColumnSpec& c : t.columns) s += "  " + ColumnDefinition(t, c, flavor) + ",\n";
    s += "  PRIMARY KEY (";
    for (size_t i = 0; i < t.primaryKey.size(); ++i) s += (i ? ", " : "") + std::string(t.primaryKey[i]);
    s += "))";
    ddl.push_back(s);
    for (const auto& index : t.indexes) {
      std::string indexName = std::string(t.name) + "_";
      std::string cols;
      for (size_t i = 0; i < index.size(); ++i) {
        indexName += index[i];
        cols += (i ? ", " : "") + std::string(index[i]);
      }
      ddl.push_back("CREATE INDEX IF NOT EXISTS " + indexName + " ON " + name + " (" + cols + ")");
    }
  }
  // After every table: the names lead to tables that exist.
  for (const TableSpec& t : Schema_Tables()) {
    if (!t.unqualifiedToo) continue;
    if (std::string alias = flavor.UnqualifiedName(t.name, Schema_TableName(t, flavor)); !alias.empty())
      ddl.push_back(std::move(alias));
  }
  return ddl;
}

}  // namespace zeldb
