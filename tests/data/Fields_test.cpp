#include <gtest/gtest.h>

#include <cstring>

#include "data/DB.h"
#include "data/DateText.h"
#include "platform/RegionalSettings.h"
#include "tests/data/support/MemoryDataSet.h"
#include "tests/data/support/SettingsScope.h"

namespace {

platform::TFormatSettings Separators(char decimal, char thousand) {
  platform::TFormatSettings settings;
  settings.DecimalSeparator = decimal;
  settings.ThousandSeparator = thousand;
  settings.ShortDateFormat = "dd/mm/yyyy";
  return settings;
}

TFieldDef Def(const char* name, TFieldType type, int size = 0, int precision = 0) {
  TFieldDef def;
  def.Name = name;
  def.DataType = type;
  def.Size = size;
  def.Precision = precision;
  return def;
}

// A one-record data set with persistent fields of the report's kinds. The fields are made
// while the settings of `decimal` are in force.
class FieldsTest : public testing::Test {
 protected:
  explicit FieldsTest(char decimal = '.')
      : settings_(decimal == '.' ? Separators('.', ',') : Separators(',', '.')) {
    Bind(code_, "CODBOD", "Bodega");
    Bind(name_, "NOMBOD", "");
    Bind(id_, "COCP_ID", "");
    Bind(amount_, "EXINIAVE", "Inv.Ini Aves");
    Bind(rate_, "COCP_PORCA1", "");
    dataSet_.Open();
  }

  void Bind(TField& field, const char* name, const char* label) {
    field.SetFieldName(name);
    field.SetDisplayLabel(label);
    field.SetDataSet(&dataSet_);
  }

  // Writes `text` to `field` in an edit and posts it.
  void Store(TField& field, const std::string& text) {
    dataSet_.Edit();
    field.SetText(text);
    dataSet_.Post();
  }

  SettingsScope settings_;
  MemoryDataSet dataSet_{
      "CRepcliente",
      {Def("CODBOD", ftString, 2), Def("NOMBOD", ftString, 60), Def("COCP_ID", ftInteger),
       Def("EXINIAVE", ftFMTBcd, 2, 15), Def("COCP_PORCA1", ftFMTBcd, 4, 15)}};
  TStringField code_{2};
  TStringField name_{60};
  TIntegerField id_;
  TFMTBCDField amount_{15, 2};
  TFMTBCDField rate_{15, 4};
};

class CommaFieldsTest : public FieldsTest {
 protected:
  CommaFieldsTest() : FieldsTest(',') {}
};

TEST_F(FieldsTest, NullIsEmptyTextInEveryClassAndFormat) {
  TField* fields[] = {&code_, &name_, &id_, &amount_, &rate_};
  for (TField* field : fields) {
    SCOPED_TRACE(field->FieldName());
    EXPECT_TRUE(field->IsNull());
    EXPECT_EQ(field->DisplayText(), "");
    EXPECT_EQ(field->EditText(), "");
    EXPECT_EQ(field->AsString(), "");
  }
  for (const char* format : {"#,###", "#,###.00", "###.00", "##.00%", "###.00%"}) {
    amount_.SetDisplayFormat(format);
    id_.SetDisplayFormat(format);
    EXPECT_EQ(amount_.DisplayText(), "") << format;
    EXPECT_EQ(id_.DisplayText(), "") << format;
  }
  EXPECT_TRUE(std::holds_alternative<TVarNull>(amount_.Value()));
  EXPECT_EQ(amount_.AsFloat(), 0);
}

TEST_F(FieldsTest, BcdTextsFollowTheFormats) {
  Store(amount_, "1234567.89");
  EXPECT_EQ(amount_.DisplayText(), "1234567.89");  // no format: plain notation
  amount_.SetDisplayFormat("#,###");
  EXPECT_EQ(amount_.DisplayText(), "1,234,567.89");
  EXPECT_EQ(amount_.EditText(), "1,234,567.89");  // no edit format: as displayed
  amount_.SetEditFormat("###.00");
  EXPECT_EQ(amount_.EditText(), "1234567.89");
  EXPECT_EQ(amount_.AsString(), "1234567.89");
  EXPECT_DOUBLE_EQ(amount_.AsFloat(), 1234567.89);

  Store(amount_, "12.5");
  amount_.SetDisplayFormat("##.00%");
  EXPECT_EQ(amount_.DisplayText(), "12.50%");
  Store(amount_, "0.50");
  amount_.SetDisplayFormat("#,###");
  EXPECT_EQ(amount_.DisplayText(), "0.5");
  EXPECT_EQ(amount_.AsString(), "0.5");

  // Typed decimals beyond the field's places are rounded half up.
  Store(rate_, "0.123456");
  EXPECT_EQ(rate_.AsString(), "0.1235");
  Store(amount_, "-12.345");
  EXPECT_EQ(amount_.AsString(), "-12.35");
  TBcd stored = amount_.AsBCD();
  EXPECT_EQ(stored.Precision, 15);
  EXPECT_EQ(BcdScale(stored), 2);
}

TEST_F(FieldsTest, RegionalSettingsChangeTakesEffectOnTheNextDisplay) {
  Store(amount_, "1234.5");
  amount_.SetDisplayFormat("#,###.00");
  EXPECT_EQ(amount_.DisplayText(), "1,234.50");
  platform::SetFormatSettings(Separators(',', '.'));
  EXPECT_EQ(amount_.DisplayText(), "1.234,50");
  amount_.SetDisplayFormat("");
  EXPECT_EQ(amount_.DisplayText(), "1234,5");
  EXPECT_EQ(amount_.AsString(), "1234,5");
  platform::SetFormatSettings(Separators('.', ','));
  EXPECT_EQ(amount_.DisplayText(), "1234.5");
}

TEST_F(FieldsTest, BcdSetTextRefusesOtherCharactersAndKeepsTheOldValue) {
  Store(amount_, "7");
  struct Case {
    const char* text;
  } refused[] = {{"+1"}, {"1 000"}, {"1,5"}, {"1,000.5"}, {"1.2.3"}, {"1-"}, {"-"}, {"abc"}};
  for (const Case& c : refused) {
    SCOPED_TRACE(c.text);
    dataSet_.Edit();
    try {
      amount_.SetText(c.text);
      FAIL() << "accepted";
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), std::string(c.text) + " is not a valid BCD value");
    }
    EXPECT_EQ(amount_.AsString(), "7");
    dataSet_.Cancel();
  }

  // A value wider than the field's precision is an overflow, not a silent cut; the message
  // names the field and the range it holds.
  dataSet_.Edit();
  EXPECT_THROW(amount_.SetText("12345678901234"), EBcdOverflow);
  EXPECT_EQ(amount_.AsString(), "7");
  const struct {
    TFMTBCDField* field;
    const char* text;
    const char* message;
  } wide[] = {
      {&amount_, "12345678901234",
       "12345678901234 is not a valid value for field 'Inv.Ini Aves'. The allowed range is "
       "-9999999999999.99 to 9999999999999.99"},
      {&amount_, "-99999999999999.5",
       "-99999999999999.5 is not a valid value for field 'Inv.Ini Aves'. The allowed range is "
       "-9999999999999.99 to 9999999999999.99"},
      {&rate_, "123456789012.5",
       "123456789012.5 is not a valid value for field 'COCP_PORCA1'. The allowed range is "
       "-99999999999.9999 to 99999999999.9999"},
  };
  for (const auto& c : wide) {
    try {
      c.field->SetText(c.text);
      ADD_FAILURE() << c.text << " accepted";
    } catch (const EBcdOverflow& e) {
      EXPECT_EQ(e.Message(), c.message);
    }
  }
  amount_.SetText("1234567890123");  // 13 integer digits fit 15 digits with 2 places
  EXPECT_EQ(amount_.AsString(), "1234567890123");
  amount_.SetText("");
  EXPECT_TRUE(amount_.IsNull());
  dataSet_.Post();
}

TEST_F(CommaFieldsTest, CommaDecimalsAndTheTypingFilter) {
  Store(amount_, "1,5");
  EXPECT_EQ(amount_.AsString(), "1,5");
  dataSet_.Edit();
  EXPECT_THROW(amount_.SetText("1.5"), EConvertError);
  dataSet_.Cancel();

  struct Case {
    const TField* field;
    char c;
    bool accepted;
  } cases[] = {
      {&amount_, ',', true}, {&amount_, '.', false}, {&amount_, '+', true},  {&amount_, '-', true},
      {&amount_, '0', true}, {&amount_, '9', true},  {&amount_, ' ', false}, {&amount_, 'e', false},
      {&id_, '+', true},     {&id_, '7', true},      {&id_, ',', false},     {&id_, '.', false},
      {&code_, '.', true},   {&code_, 'x', true},    {&code_, ' ', true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.field->IsValidChar(c.c), c.accepted) << c.field->FieldName() << " '" << c.c << "'";
  }
  // The filter keeps the separator in force when the field was made.
  platform::SetFormatSettings(Separators('.', ','));
  EXPECT_TRUE(amount_.IsValidChar(','));
  EXPECT_FALSE(amount_.IsValidChar('.'));
  // A plus sign passes the filter but is refused when written.
  dataSet_.Edit();
  EXPECT_THROW(amount_.SetText("+1"), EConvertError);
  dataSet_.Cancel();
}

TEST_F(FieldsTest, BcdOverflowIsTheTextOfAValueThatCannotBeWritten) {
  TBcd broken;
  broken.Precision = 0;
  dataSet_.Edit();
  dataSet_.SetFieldData(amount_, &broken);
  for (const char* format : {"", "#,###", "###.00"}) {
    amount_.SetDisplayFormat(format);
    EXPECT_EQ(amount_.DisplayText(), "BCD overflow") << format;
    EXPECT_EQ(amount_.EditText(), "BCD overflow") << format;
  }
  dataSet_.Cancel();
}

TEST_F(FieldsTest, StringAndIntegerTexts) {
  Store(code_, "ABC");
  EXPECT_EQ(code_.AsString(), "AB");  // cut to Size
  Store(name_, "  Granja \xC1guila ");
  EXPECT_EQ(name_.DisplayText(), "  Granja \xC1guila ");  // nothing trimmed
  Store(name_, "");
  EXPECT_FALSE(name_.IsNull());
  EXPECT_EQ(name_.DisplayText(), "");

  Store(id_, "-42");
  EXPECT_EQ(id_.DisplayText(), "-42");
  EXPECT_EQ(id_.AsInteger(), -42);
  Store(id_, "+1234567");
  id_.SetDisplayFormat("#,###");
  EXPECT_EQ(id_.DisplayText(), "1,234,567");
  EXPECT_EQ(id_.EditText(), "1,234,567");
  dataSet_.Edit();
  try {
    id_.SetText("12a");
    FAIL() << "accepted";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'12a' is not a valid integer value");
  }
  EXPECT_THROW(id_.SetText("3000000000"), EDatabaseError);  // beyond 32 bits
  id_.SetText("");
  EXPECT_TRUE(id_.IsNull());
  dataSet_.Cancel();
  EXPECT_EQ(id_.AsInteger(), 1234567);
}

TEST_F(FieldsTest, WritingChecksStateAndReadOnlyThenValidatesAndNotifies) {
  try {
    code_.SetText("01");
    FAIL() << "written in browse state";
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "CRepcliente: Dataset not in edit or insert mode");
  }
  EXPECT_EQ(dataSet_.Writes(), 0);

  code_.SetReadOnly(true);
  dataSet_.Edit();
  try {
    code_.SetText("01");
    FAIL() << "read-only field written";
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "Field 'Bodega' cannot be modified");
  }
  code_.SetReadOnly(false);

  std::vector<std::string> seen;
  TDataSource source(&dataSet_);
  source.OnDataChange = [&](TDataSource&, TField* field) {
    seen.push_back("notice " + (field ? field->FieldName() : std::string("-")) + " " +
                   (field ? field->AsString() : std::string()));
  };
  code_.OnValidate = [&](TField& field) { seen.push_back("validate " + field.AsString()); };
  code_.OnChange = [&](TField& field) { seen.push_back("change " + field.AsString()); };
  code_.SetText("01");
  EXPECT_EQ(seen, (std::vector<std::string>{"validate ", "notice CODBOD 01", "change 01"}));

  // A refusal from the validation handler leaves the value as it was.
  code_.OnValidate = [](TField&) { throw EDatabaseError("no"); };
  EXPECT_THROW(code_.SetText("02"), EDatabaseError);
  EXPECT_EQ(code_.AsString(), "01");
  dataSet_.Cancel();
  EXPECT_TRUE(code_.IsNull());
}

TEST_F(FieldsTest, PropertiesAndHandlers) {
  EXPECT_EQ(code_.DisplayLabel(), "Bodega");
  EXPECT_EQ(name_.DisplayLabel(), "NOMBOD");  // no label: the field name
  EXPECT_EQ(code_.DisplayWidth(), 2);
  EXPECT_EQ(name_.DisplayWidth(), 60);
  EXPECT_EQ(amount_.DisplayWidth(), 16);
  amount_.SetDisplayWidth(9);
  EXPECT_EQ(amount_.DisplayWidth(), 9);
  EXPECT_EQ(code_.Alignment(), taLeftJustify);
  EXPECT_EQ(id_.Alignment(), taRightJustify);
  EXPECT_EQ(amount_.Alignment(), taRightJustify);
  EXPECT_EQ(amount_.Precision(), 15);
  EXPECT_EQ(amount_.Size(), 2);
  EXPECT_EQ(amount_.Index(), 3);
  EXPECT_EQ(dataSet_.FindField("exiniave"), &amount_);

  Store(amount_, "5");
  amount_.OnGetText = [](const TField& field, std::string& text, bool displayText) {
    text = (displayText ? "shown " : "edited ") + field.AsString();
  };
  EXPECT_EQ(amount_.DisplayText(), "shown 5");
  EXPECT_EQ(amount_.EditText(), "edited 5");

  {
    TStringField loose(10);
    loose.SetFieldName("LOOSE");
    loose.SetDataSet(&dataSet_);
    EXPECT_EQ(dataSet_.Fields().Count(), 6);
  }
  EXPECT_EQ(dataSet_.Fields().Count(), 5);  // a destroyed field leaves the list
  rate_.SetDataSet(nullptr);
  EXPECT_EQ(dataSet_.FindField("COCP_PORCA1"), nullptr);
}

TEST(CreateFieldForDef, ClassAndPropertiesFollowTheDefinition) {
  TFieldDef def = Def("NOMBOD", ftString, 60);
  def.FieldNo = 2;
  def.Required = true;
  def.ReadOnly = true;
  std::unique_ptr<TField> text = CreateFieldForDef(def);
  ASSERT_NE(dynamic_cast<TStringField*>(text.get()), nullptr);
  EXPECT_EQ(text->FieldName(), "NOMBOD");
  EXPECT_EQ(text->Size(), 60);
  EXPECT_EQ(text->FieldNo(), 2);
  EXPECT_TRUE(text->Required());
  EXPECT_TRUE(text->ReadOnly());
  EXPECT_EQ(text->DataSize(), 61);

  auto fixed = CreateFieldForDef(Def("C", ftFixedChar, 3));
  EXPECT_TRUE(dynamic_cast<TStringField&>(*fixed).FixedChar());
  for (TFieldType type : {ftSmallint, ftInteger, ftWord, ftAutoInc, ftLargeint}) {
    auto field = CreateFieldForDef(Def("I", type));
    EXPECT_NE(dynamic_cast<TIntegerField*>(field.get()), nullptr) << type;
    EXPECT_EQ(field->DataType(), type);
  }
  auto bcd = CreateFieldForDef(Def("N", ftFMTBcd, 2, 15));
  auto& decimal = dynamic_cast<TFMTBCDField&>(*bcd);
  EXPECT_EQ(decimal.Precision(), 15);
  EXPECT_EQ(decimal.Size(), 2);
  EXPECT_EQ(decimal.DisplayWidth(), 16);
  auto oldBcd = CreateFieldForDef(Def("B", ftBCD, 2, 9));
  EXPECT_EQ(oldBcd->DataType(), ftBCD);
  EXPECT_NE(dynamic_cast<TFMTBCDField*>(oldBcd.get()), nullptr);
  for (TFieldType type : {ftFloat, ftDate, ftBoolean, ftTimeStamp, ftMemo}) {
    auto field = CreateFieldForDef(Def("G", type));
    EXPECT_NE(dynamic_cast<TGenericField*>(field.get()), nullptr) << type;
  }
}

TEST(GenericFields, ValuesAndPlainTexts) {
  SettingsScope settings(Separators(',', '.'));
  MemoryDataSet dataSet(
      "Q", {Def("F", ftFloat), Def("D", ftDate), Def("B", ftBoolean), Def("T", ftTimeStamp)});
  dataSet.Open();
  ASSERT_EQ(dataSet.Fields().Count(), 4);
  TField& number = dataSet.FieldByName("F");
  TField& date = dataSet.FieldByName("D");
  TField& flag = dataSet.FieldByName("B");
  TField& stamp = dataSet.FieldByName("T");
  EXPECT_EQ(number.DisplayText(), "");
  dataSet.Edit();
  number.SetAsFloat(2.5);
  date.SetValue(TVarDate{EncodeDate(2022, 1, 31)});
  flag.SetAsString("True");
  stamp.SetValue(TVarDate{EncodeDate(2022, 1, 31) + 0.5});
  dataSet.Post();
  EXPECT_EQ(number.DisplayText(), "2,5");
  EXPECT_EQ(date.DisplayText(), "31/01/2022");
  EXPECT_EQ(flag.DisplayText(), "True");
  EXPECT_EQ(stamp.DisplayText(), "31/01/2022 12:00:00");
  EXPECT_EQ(date.AsInteger(), 44592);
  dataSet.Close();
  EXPECT_EQ(dataSet.Fields().Count(), 0);
}

}  // namespace
