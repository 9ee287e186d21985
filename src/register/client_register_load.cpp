#include "register/client_register_load.h"

#include "entry/error_log.h"
#include "entry/mod_it_main.h"
#include "platform/grid/flexgrid_model.h"
#include "register/client_rows.h"
#include "register/register_layout.h"

#include <QSet>

#include <array>

namespace kestrel {

using grid::FlexGridModel;

void ResetRegister(FlexGridModel& vsCL) {
  vsCL.setRows(HeaderRows);
  vsCL.setCellChecked(0, col::SrNo, grid::flexUnchecked);
  for (int c = col::Software; c < col::Software + 10; ++c) {
    const QString list = ListText(RegisterColumns()[std::size_t(c)].list);
    vsCL.setColComboList(c, list);
    // The login and to-be-changed groups carry the same lists as the suite's group; column
    // 14 (ISD) has none, and the login group starts one column later (23 is the name).
    vsCL.setColComboList(c + (col::Login - col::Software), list);
    vsCL.setColComboList(c + (col::Change - col::Software), list);
  }
}

int FindClientRow(const FlexGridModel& vsCL, const QString& code) {
  const int row = vsCL.FindRow(code, FirstDataRow, col::PartyCode, true, true);
  return row >= FirstDataRow ? row : -1;
}

namespace {

// Field positions of the client statement, looked up once per load.
class ClientFields {
 public:
  enum Field {
    CodeNo,
    F_Nm,
    M_Nm,
    L_Nm,
    Dob,
    Pan,
    GMob,
    GMob2,
    GMail,
    LoginPwd,
    TelNo,
    MobNo,
    MobNo1,
    EmailID,
    EmailId1,
    Count
  };

  // Raises the recordset's own error for the first field the statement did not return.
  explicit ClientFields(const Recordset& rs) {
    static constexpr std::array<const char16_t*, Count> names = {
        u"CodeNo", u"F_Nm",     u"M_Nm",  u"L_Nm",  u"DOB",    u"Pan",     u"GMob",    u"GMob2",
        u"GMail",  u"LoginPwd", u"TelNo", u"MobNo", u"MobNo1", u"EmailID", u"EmailId1"};
    for (int f = 0; f < Count; ++f) {
      index_[std::size_t(f)] = rs.FieldIndex(names[std::size_t(f)]);
      if (index_[std::size_t(f)] < 0)
        rs.Text(names[std::size_t(f)]);
    }
  }

  ClientRecord read(const Recordset& rs) const {
    auto text = [&](Field f) { return rs.Text(index_[std::size_t(f)]); };
    ClientRecord r;
    r.CodeNo = text(CodeNo);
    r.F_Nm = text(F_Nm);
    r.M_Nm = text(M_Nm);
    r.L_Nm = text(L_Nm);
    r.Dob = text(Dob);
    r.Pan = text(Pan);
    r.GMob = text(GMob);
    r.GMob2 = text(GMob2);
    r.GMail = text(GMail);
    r.LoginPwd = text(LoginPwd);
    r.TelNo = text(TelNo);
    r.MobNo = text(MobNo);
    r.MobNo1 = text(MobNo1);
    r.EmailID = text(EmailID);
    r.EmailId1 = text(EmailId1);
    return r;
  }

 private:
  std::array<int, Count> index_{};
};

CommonValues readCommonRow(ErrorTrap& trap) {
  CommonValues common;
  std::unique_ptr<Recordset> rs;
  trap([&] {
    Base().RecordsetQuery(rs, CommonRowStatement(), Base().DBObj(), ado::adOpenForwardOnly,
                          ado::adLockReadOnly);
  });
  if (!rs)
    return common;
  trap([&] {
    if (!rs->Eof()) {
      common.MobNo = rs->Text(u"MobNo");
      common.MobNo1 = rs->Text(u"MobNo1");
      common.EmailID = rs->Text(u"EmailID");
      common.EmailId1 = rs->Text(u"EmailId1");
      common.TelNo = rs->Text(u"TelNo");
      common.LoginPwd = rs->Text(u"LoginPwd");
    }
  });
  trap([&] { rs->Close(); });
  return common;
}

}  // namespace

void LoadClients(FlexGridModel& vsCL) {
  ErrorTrap trap(u"frmKestrel", u"ShowData");
  const CommonValues common = readCommonRow(trap);

  std::unique_ptr<Recordset> rs;
  trap([&] {
    Base().RecordsetQuery(rs, ClientListStatement(), Base().DBObj(), ado::adOpenForwardOnly,
                          ado::adLockReadOnly);
  });

  const grid::RedrawPause pause(vsCL);
  ResetRegister(vsCL);

  if (rs) {
    // A code already in column 1 (from row 1 on, so the header caption counts too) is
    // skipped: the first record of a code wins. The set answers what a search of the column
    // would, without scanning it for every record.
    QSet<QString> shown{vsCL.TextMatrix(1, col::PartyCode)};
    auto phone4 = [](const QString& phone) { return Base().GetPhone4MobNo(phone, QStringLiteral("M")); };
    // The forward-only read does not tell how many clients come, so rows are added in blocks
    // and the surplus is dropped at the end.
    constexpr int Block = 4096;
    int used = HeaderRows;
    trap([&] {
      const ClientFields fields(*rs);
      int serial = 0;
      for (; !rs->Eof(); rs->MoveNext()) {
        trap([&] {
          const ClientRecord rec = fields.read(*rs);
          if (shown.contains(rec.CodeNo))
            return;
          const RegisterCells cells = FillRegisterRow(rec, common, phone4);
          const int row = used;
          if (row >= vsCL.Rows())
            vsCL.setRows(row + Block);
          used = row + 1;
          vsCL.setTextMatrix(row, col::SrNo, QString::number(++serial));
          vsCL.setCellChecked(row, col::SrNo, grid::flexUnchecked);
          for (int c = col::PartyCode; c < int(cells.size()); ++c)
            if (!cells[std::size_t(c)].isEmpty())
              vsCL.setTextMatrix(row, c, cells[std::size_t(c)]);
          shown.insert(rec.CodeNo);
        });
      }
    });
    trap([&] { rs->Close(); });
    vsCL.setRows(used);
  }
  vsCL.AutoSize(0, vsCL.Cols() - 1);
}

}  // namespace kestrel
