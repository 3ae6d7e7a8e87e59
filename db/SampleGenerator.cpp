#include "db/SampleGenerator.h"

#include <array>
#include <cmath>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "db/FbClient.h"

namespace db {

namespace {

// SplitMix64: small, fast and the same on every platform.
class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed) {}
  uint64_t Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  double Uniform(double low, double high) {
    return low + (high - low) * static_cast<double>(Next() >> 11) / 9007199254740992.0;
  }
  int64_t Between(int64_t low, int64_t high) {
    return low + static_cast<int64_t>(Next() % static_cast<uint64_t>(high - low + 1));
  }

 private:
  uint64_t state_;
};

struct Item {
  const char* code;
  const char* name;
  const char* unit;
};

constexpr std::array<Item, 15> kItems{{
    {"AVP001", "Gallina ponedora en producción", "UND"},
    {"AVL001", "Pollita de levante 16 semanas", "UND"},
    {"HVA001", "Huevo rojo tipo A", "UND"},
    {"HVB001", "Huevo rojo tipo B", "UND"},
    {"ALP001", "Alimento postura fase 1", "KG"},
    {"ALL001", "Alimento levante", "KG"},
    {"VAC001", "Vacuna Newcastle", "DOS"},
    {"VAC002", "Vacuna bronquitis infecciosa", "DOS"},
    {"VAC003", "Vacuna viruela aviar", "DOS"},
    {"VAC004", "Vacuna coriza infecciosa", "DOS"},
    {"OIN001", "Desinfectante yodado", "LT"},
    {"OIN002", "Cal agrícola para galpón", "KG"},
    {"OIN003", "Bandeja de cartón para 30 huevos", "UND"},
    {"MED001", "Vitaminas y electrolitos", "KG"},
    {"EMP001", "Caja de cartón para huevo", "UND"},
}};

constexpr std::array<const char*, 12> kFarms{
    {"Granja La Esperanza", "Hacienda El Peñón", "Finca San José", "Granja Los Álamos",
     "Avícola Santa Bárbara", "Finca El Guayacán", "Granja Villa María", "Hacienda La Concepción",
     "Finca Buenos Aires", "Granja El Paraíso", "Avícola Nuestra Señora", "Finca Campoalegre"}};

constexpr int kGalponesPerFarm = 3;
constexpr int kRowsPerCommit = 200000;

std::string WarehouseCode(int64_t id) {
  if (id >= 1 && id <= 99) {
    const char text[3] = {static_cast<char>('0' + id / 10), static_cast<char>('0' + id % 10), 0};
    return text;
  }
  // Past 99: the two-character codes holding a letter, in order, starting over when spent.
  static const char kAlphabet[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
  static const std::vector<std::string> codes = [] {
    std::vector<std::string> all;
    for (int a = 0; a < 36; ++a)
      for (int b = 0; b < 36; ++b)
        if (a >= 10 || b >= 10) all.push_back({kAlphabet[a], kAlphabet[b]});
    return all;
  }();
  return codes[static_cast<size_t>((id - 100) % static_cast<int64_t>(codes.size()))];
}

std::string WarehouseName(int64_t id) {
  const int64_t index = id - 1;
  const int64_t farm = index / kGalponesPerFarm % static_cast<int64_t>(kFarms.size());
  const int64_t galpon =
      index % kGalponesPerFarm + 1 +
      kGalponesPerFarm * (index / (kGalponesPerFarm * static_cast<int64_t>(kFarms.size())));
  return Cp1252FromUtf8(std::string(kFarms[static_cast<size_t>(farm)]) + " - Galpón " +
                        std::to_string(galpon));
}

int DaysInMonth(int year, int month) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

int64_t Cents(double value) { return static_cast<int64_t>(std::llround(value * 100.0)); }

// Inserts rows into one table, kBatchRows at a time through one EXECUTE BLOCK (one call into
// the engine instead of one per row); the rows left at Flush go through a single-row INSERT.
class BatchInsert {
 public:
  enum Kind { kInteger, kDate, kText, kNumeric };
  struct Column {
    const char* name;
    Kind kind;
    int length;  // of kText columns, in bytes
  };

  BatchInsert(Attachment& attachment, const std::string& table, std::vector<Column> columns)
      : columns_(std::move(columns)),
        single_(attachment, SingleSql(table)),
        batch_(attachment, BatchSql(table)) {
    for (size_t row = 0; row < kBatchRows; ++row) Declare(batch_);
    Declare(single_);
    pending_.reserve(kBatchRows * columns_.size());
  }

  // The next value of the row being built, in column order.
  void Add(int64_t number) { pending_.push_back({number, {}}); }
  void Add(std::string_view text) { pending_.push_back({0, std::string(text)}); }

  // Ends the row being built; a full batch is sent.
  void EndRow() {
    if (pending_.size() == kBatchRows * columns_.size()) {
      Bind(batch_, 0, pending_.size());
      batch_.Execute();
      pending_.clear();
    }
  }

  void Flush() {
    for (size_t first = 0; first < pending_.size(); first += columns_.size()) {
      Bind(single_, first, columns_.size());
      single_.Execute();
    }
    pending_.clear();
  }

 private:
  static constexpr size_t kBatchRows = 32;
  struct Value {
    int64_t number;
    std::string text;
  };

  std::string ColumnList() const {
    std::string list;
    for (const Column& column : columns_)
      list += (list.empty() ? "" : ", ") + std::string(column.name);
    return list;
  }

  std::string SingleSql(const std::string& table) const {
    std::string markers;
    for (size_t i = 0; i < columns_.size(); ++i) markers += i ? ", ?" : "?";
    return "INSERT INTO " + table + " (" + ColumnList() + ") VALUES (" + markers + ")";
  }

  std::string BatchSql(const std::string& table) const {
    std::string inputs, body;
    for (size_t row = 0; row < kBatchRows; ++row) {
      std::string values;
      for (size_t c = 0; c < columns_.size(); ++c) {
        const std::string name = "P" + std::to_string(row * columns_.size() + c);
        static const char* const kTypes[] = {"INTEGER", "DATE", "VARCHAR", "NUMERIC(15,2)"};
        std::string type = kTypes[columns_[c].kind];
        if (columns_[c].kind == kText) type += "(" + std::to_string(columns_[c].length) + ")";
        inputs += (inputs.empty() ? "" : ", ") + name + " " + type + " = ?";
        values += (c ? ", :" : ":") + name;
      }
      body += "INSERT INTO " + table + " (" + ColumnList() + ") VALUES (" + values + ");\n";
    }
    return "EXECUTE BLOCK (" + inputs + ") AS BEGIN\n" + body + "END";
  }

  void Declare(Statement& statement) {
    for (const Column& column : columns_) {
      switch (column.kind) {
        case kInteger:
          statement.DeclareInteger();
          break;
        case kDate:
          statement.DeclareDate();
          break;
        case kText:
          statement.DeclareText(column.length);
          break;
        case kNumeric:
          statement.DeclareNumeric(2);
          break;
      }
    }
  }

  void Bind(Statement& statement, size_t first, size_t count) {
    for (size_t i = 0; i < count; ++i) {
      const Value& value = pending_[first + i];
      const int index = static_cast<int>(i);
      switch (columns_[i % columns_.size()].kind) {
        case kInteger:
          statement.SetInteger(index, static_cast<int32_t>(value.number));
          break;
        case kDate:
          statement.SetDate(index, static_cast<ISC_DATE>(value.number));
          break;
        case kText:
          statement.SetText(index, value.text);
          break;
        case kNumeric:
          statement.SetNumeric(index, value.number);
          break;
      }
    }
  }

  std::vector<Column> columns_;
  Statement single_;
  Statement batch_;
  std::vector<Value> pending_;
};

class Loader {
 public:
  explicit Loader(Attachment& attachment)
      : attachment_(attachment),
        warehouse_(attachment, "BODEGAS",
                   {{"BODE_ID", BatchInsert::kInteger, 0},
                    {"BODE_CODIGO", BatchInsert::kText, 2},
                    {"BODE_NOMBRE", BatchInsert::kText, 60}}),
        movement_(attachment, "MOVINVENTARIO",
                  {{"MOVI_ID", BatchInsert::kInteger, 0},
                   {"MOVI_FECHA", BatchInsert::kDate, 0},
                   {"MOVI_BODEGA", BatchInsert::kInteger, 0},
                   {"MOVI_PREFIJO", BatchInsert::kText, 4},
                   {"MOVI_NUMERO", BatchInsert::kInteger, 0},
                   {"MOVI_ITEM", BatchInsert::kText, 15},
                   {"MOVI_TIPO", BatchInsert::kText, 1},
                   {"MOVI_CANTIDAD", BatchInsert::kNumeric, 0},
                   {"MOVI_VALOR", BatchInsert::kNumeric, 0}}),
        cost_(attachment, "COSTOSBODEGA",
              {{"COBO_ID", BatchInsert::kInteger, 0},
               {"COBO_FECHA", BatchInsert::kDate, 0},
               {"COBO_BODEGA", BatchInsert::kInteger, 0},
               {"COBO_CONCEPTO", BatchInsert::kText, 4},
               {"COBO_VALOR", BatchInsert::kNumeric, 0}}) {
    QueryResult next = attachment_.Query(
        "SELECT (SELECT COALESCE(MAX(BODE_ID), 0) FROM BODEGAS), "
        "(SELECT COALESCE(MAX(MOVI_ID), 0) FROM MOVINVENTARIO), "
        "(SELECT COALESCE(MAX(COBO_ID), 0) FROM COSTOSBODEGA) FROM RDB$DATABASE");
    lastWarehouse_ = std::stoll(*next.rows.at(0).at(0));
    lastMovement_ = std::stoll(*next.rows.at(0).at(1));
    lastCost_ = std::stoll(*next.rows.at(0).at(2));
    for (const auto& row :
         attachment_
             .Query("SELECT TRIM(MOVI_PREFIJO), MAX(MOVI_NUMERO) FROM MOVINVENTARIO GROUP BY 1")
             .rows)
      documents_[*row.at(0)] = std::stoll(*row.at(1));
  }

  int64_t LastWarehouse() const { return lastWarehouse_; }

  void Begin() { attachment_.StartTransaction(true); }

  void End() {
    warehouse_.Flush();
    movement_.Flush();
    cost_.Flush();
    attachment_.Commit();
    attachment_.Execute("ALTER SEQUENCE GEN_MOVINVENTARIO RESTART WITH " +
                        std::to_string(lastMovement_));
    attachment_.Execute("ALTER SEQUENCE GEN_COSTOSBODEGA RESTART WITH " +
                        std::to_string(lastCost_));
  }

  void Warehouse(int64_t id) {
    warehouse_.Add(id);
    warehouse_.Add(WarehouseCode(id));
    warehouse_.Add(WarehouseName(id));
    // Written at once: the warehouse's movements and costs refer to it.
    warehouse_.EndRow();
    warehouse_.Flush();
    Counted();
  }

  int64_t Document(const std::string& prefix) { return ++documents_[prefix]; }

  void Movement(ISC_DATE date, int64_t warehouse, const std::string& prefix, int64_t number,
                const char* item, char kind, int64_t quantityCents, int64_t valueCents) {
    movement_.Add(++lastMovement_);
    movement_.Add(int64_t{date});
    movement_.Add(warehouse);
    movement_.Add(prefix);
    movement_.Add(number);
    movement_.Add(std::string_view(item));
    movement_.Add(std::string_view(&kind, 1));
    movement_.Add(quantityCents);
    movement_.Add(valueCents);
    movement_.EndRow();
    Counted();
  }

  void Cost(ISC_DATE date, int64_t warehouse, const char* kind, int64_t valueCents) {
    cost_.Add(++lastCost_);
    cost_.Add(int64_t{date});
    cost_.Add(warehouse);
    cost_.Add(std::string_view(kind));
    cost_.Add(valueCents);
    cost_.EndRow();
    Counted();
  }

 private:
  // Commits now and then so that a large load does not keep one huge transaction open.
  void Counted() {
    if (++rows_ % kRowsPerCommit != 0) return;
    warehouse_.Flush();
    movement_.Flush();
    cost_.Flush();
    attachment_.Commit();
    attachment_.StartTransaction(true);
  }

  Attachment& attachment_;
  BatchInsert warehouse_;
  BatchInsert movement_;
  BatchInsert cost_;
  int64_t lastWarehouse_ = 0;
  int64_t lastMovement_ = 0;
  int64_t lastCost_ = 0;
  int64_t rows_ = 0;
  std::map<std::string, int64_t> documents_;
};

// One warehouse's flock over the sample months: quantities drawn from the warehouse's own
// random stream so that they do not depend on the other warehouses.
void GenerateWarehouse(Loader& loader, int64_t id, const SampleData& sample) {
  Random random(sample.seed * 0x2545F4914F6CDD1Dull ^
                static_cast<uint64_t>(id) * 0x9E3779B97F4A7C15ull);
  loader.Warehouse(id);

  const int64_t initial = 100 * random.Between(30, 150);
  const double yield = random.Uniform(0.78, 0.90);
  const double kgPerBirdDay = random.Uniform(0.105, 0.118);
  const double feedPrice = random.Uniform(1450.0, 1650.0);
  const double vaccinePrice = random.Uniform(38.0, 55.0);

  // The months move: laying follows a yearly season of the warehouse's own size, feed eats a
  // little more when laying is high, and the feed price rises with a half-yearly swing. Every
  // factor is exactly 1 in the first month, so that month's rows stay as they were; the swing
  // comes from the warehouse's id, not from its random stream.
  const double swing = 0.03 + 0.05 * static_cast<double>(static_cast<uint64_t>(id) * 2654435761ull %
                                                         1000) / 1000.0;
  const auto season = [swing](int index, double share, double period) {
    constexpr double kTwoPi = 6.283185307179586;
    return 1.0 + share * swing * std::sin(kTwoPi * index / period);
  };

  int year = sample.firstYear;
  int month = sample.firstMonth;
  {
    const ISC_DATE opening = EncodeDate(year, month, 1) - 1;
    loader.Movement(opening, id, "EA", loader.Document("EA"), "AVP001", 'E', initial * 100,
                    initial * 1650000);
  }
  int64_t birds = initial;
  for (int index = 0; index < sample.months; ++index) {
    const int days = DaysInMonth(year, month);
    auto day = [&](int d) { return EncodeDate(year, month, d); };
    const double price = feedPrice * (1.0 + 0.006 * index) * season(index, 0.5, 6);

    if (index > 0 && birds < initial * 9 / 10) {
      const int64_t pullets = initial - birds;
      loader.Movement(day(5), id, "EA", loader.Document("EA"), "AVL001", 'E', pullets * 100,
                      pullets * 1400000);
      const double kg = std::round(pullets * 0.09 * (days - 4));
      loader.Movement(day(days), id, "SI", loader.Document("SI"), "ALL001", 'S', Cents(kg),
                      Cents(std::round(kg * price * 1.08)));
      birds += pullets;
    }

    const int64_t eggs =
        std::llround(birds * days * yield * season(index, 1, 12) * random.Uniform(0.97, 1.03));
    const int64_t gradeB = eggs * 12 / 100;
    const int64_t gradeA = eggs - gradeB;
    const int weekDays[4] = {7, 14, 21, days};
    int64_t entered = 0;
    for (int w = 0; w < 4; ++w) {
      const int64_t part = w < 3 ? gradeA / 4 : gradeA - entered;
      entered += part;
      loader.Movement(day(weekDays[w]), id, "EH", loader.Document("EH"), "HVA001", 'E', part * 100,
                      part * 38000);
    }
    loader.Movement(day(days), id, "EH", loader.Document("EH"), "HVB001", 'E', gradeB * 100,
                    gradeB * 29000);
    const int64_t sold = gradeA * 95 / 100;
    loader.Movement(day(days), id, "FV", loader.Document("FV"), "HVA001", 'S', sold * 100,
                    sold * 45000);

    const double feedKg = birds * days * kgPerBirdDay * season(index, 0.3, 12);
    const double bought = std::round(feedKg * 1.02);
    loader.Movement(day(1), id, "EA", loader.Document("EA"), "ALP001", 'E', Cents(bought),
                    Cents(std::round(bought * price)));
    double taken = 0;
    for (int w = 0; w < 4; ++w) {
      const double part = w < 3 ? std::round(feedKg / 4 * 100) / 100 : feedKg - taken;
      taken += part;
      loader.Movement(day(weekDays[w]), id, "SI", loader.Document("SI"), "ALP001", 'S', Cents(part),
                      Cents(part * price));
    }

    static const char* const kVaccines[] = {"VAC001", "VAC002", "VAC003", "VAC004"};
    static const char* const kOthers[] = {"OIN001", "OIN002", "OIN003"};
    loader.Movement(day(10), id, "SI", loader.Document("SI"), kVaccines[index % 4], 'S',
                    birds * 100, Cents(std::round(birds * vaccinePrice)));
    loader.Movement(day(12), id, "SI", loader.Document("SI"), kOthers[index % 3], 'S',
                    random.Between(5, 40) * 100, random.Between(150, 650) * 100000);

    if (random.Uniform(0, 1) < 0.3) {
      const int64_t culled = std::llround(birds * random.Uniform(0.02, 0.05));
      loader.Movement(day(20), id, "FV", loader.Document("FV"), "AVP001", 'S', culled * 100,
                      culled * 950000);
      birds -= culled;
    }
    const int64_t dead = std::llround(birds * random.Uniform(0.004, 0.012));
    loader.Movement(day(days), id, "SA", loader.Document("SA"), "AVP001", 'S', dead * 100,
                    dead * 1650000);
    birds -= dead;

    const int64_t direct = std::llround(birds * random.Uniform(520, 610) / 1000) * 1000;
    loader.Cost(day(days), id, "MOD", direct * 100);
    loader.Cost(day(days), id, "MOI", std::llround(direct * random.Uniform(0.25, 0.35)) * 100);
    loader.Cost(day(days), id, "CIF", random.Between(250, 800) * 100000);
    loader.Cost(day(days), id, "AMO", (150000 + id % 7 * 25000) * 100);

    if (++month > 12) {
      month = 1;
      ++year;
    }
  }
}

}  // namespace

std::string Cp1252FromUtf8(std::string_view text) {
  std::string result;
  result.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if ((c & 0xE0) == 0xC0 && i + 1 < text.size()) {
      const unsigned code = ((c & 0x1Fu) << 6) | (static_cast<unsigned char>(text[i + 1]) & 0x3Fu);
      result += code <= 0xFF ? static_cast<char>(code) : '?';
      ++i;
    } else {
      result += static_cast<char>(c);
    }
  }
  return result;
}

void LoadSampleRows(Attachment& attachment, const SampleData& sample) {
  if (sample.warehouses < 0 || sample.months < 0 || sample.firstMonth < 1 ||
      sample.firstMonth > 12 || sample.firstYear < 1900 || sample.firstYear > 9000)
    throw DatabaseError("Invalid sample data options");
  {
    Statement item(attachment,
                   "UPDATE OR INSERT INTO ITEMS (ITEM_CODIGO, ITEM_NOMBRE, ITEM_UNIDAD) "
                   "VALUES (?, ?, ?) MATCHING (ITEM_CODIGO)");
    item.DeclareText(15);
    item.DeclareText(60);
    item.DeclareText(4);
    attachment.StartTransaction();
    for (const Item& entry : kItems) {
      item.SetText(0, entry.code);
      item.SetText(1, Cp1252FromUtf8(entry.name));
      item.SetText(2, entry.unit);
      item.Execute();
    }
    attachment.Commit();
  }
  Loader loader(attachment);
  const int64_t first = loader.LastWarehouse() + 1;
  if (first + sample.warehouses - 1 > INT32_MAX) throw DatabaseError("Too many warehouses");
  loader.Begin();
  for (int64_t id = first; id < first + sample.warehouses; ++id)
    GenerateWarehouse(loader, id, sample);
  loader.End();
}

}  // namespace db
