#include "support/email_validation.h"

namespace kestrel {

namespace {

QString& message() {
  static QString text;
  return text;
}

// Generic endings first, then the country codes. Every entry is written as a dot and its
// letters, already in upper case.
constexpr QStringView kEndings =
    u".COM.EDU.GOV.NET.BIZ.ORG.TV"
    u".AF.AL.DZ.AS.AD.AO.AI.AQ.AG.AP.AR.AM.AW.AU.AT.AZ.BS.BH.BD.BB.BY.BE.BZ.BJ"
    u".BM.BT.BO.BA.BW.BV.BR.IO.BN.BG.BF.MM.BI.KH.CM.CA.CV.KY.CF.TD.CL.CN.CX.CC"
    u".CO.KM.CG.CD.CK.CR.CI.HR.CU.CY.CZ.DK.DJ.DM.DO.TP.EC.EG.SV.GQ.ER.EE.ET.FK"
    u".FO.FJ.FI.CS.SU.FR.FX.GF.PF.TF.GA.GM.GE.DE.GH.GI.GB.GR.GL.GD.GP.GU.GT.GN"
    u".GW.GY.HT.HM.HN.HK.HU.IS.IN.ID.IR.IQ.IE.IL.IT.JM.JP.JO.KZ.KE.KI.KW.KG.LA"
    u".LV.LB.LS.LR.LY.LI.LT.LU.MO.MK.MG.MW.MY.MV.ML.MT.MH.MQ.MR.MU.YT.MX.FM.MD"
    u".MC.MN.MS.MA.MZ.NA.NR.NP.NL.AN.NT.NC.NZ.NI.NE.NG.NU.NF.KP.MP.NO.OM.PK.PW"
    u".PA.PG.PY.PE.PH.PN.PL.PT.PR.QA.RE.RO.RU.RW.GS.SH.KN.LC.PM.ST.VC.SM.SA.SN"
    u".SC.SL.SG.SK.SI.SB.SO.ZA.KR.ES.LK.SD.SR.SJ.SZ.SE.CH.SY.TJ.TW.TZ.TH.TG.TK"
    u".TO.TT.TN.TR.TM.TC.TV.UG.UA.AE.UK.US.UY.UM.UZ.VU.VA.VE.VN.VG.VI.WF.WS.EH"
    u".YE.YU.ZR.ZM.ZW";

}  // namespace

const QString& EmailValidationMessage() {
  return message();
}

bool IsListedEnding(QStringView ending) {
  QString wanted = ending.startsWith(u'.') ? ending.toString() : u'.' + ending.toString();
  return kEndings.contains(wanted.toUpper());
}

bool ValidateEmail(QStringView address) {
  QString& msg = message();
  msg.clear();
  if (address.isEmpty())
    return true;

  const qsizetype lastDot = address.lastIndexOf(u'.');
  const QStringView ending = lastDot < 0 ? QStringView() : address.mid(lastDot);
  const qsizetype at = address.indexOf(u'@');

  if (at < 0) {
    msg += u"Your email address does not contain an '@' sign.";
  } else if (at == 0) {
    msg += u"Your '@' sign can not be the first character in your email address!";
  } else if (at == address.size() - 1) {
    msg += u"Your '@' sign can not be the last character in your email address!";
  } else if (ending.isEmpty() || !IsListedEnding(ending)) {
    msg += u"Your email address is not carrying a valid ending!";
    msg += u"It must be one of the following...";
    msg += u".com, .net, .gov, .org, .edu, .biz, .tv Or included country's assigned country code";
  } else if (address.size() < 6) {
    msg += u"Your email address is shorter than 6 characters which is impossible.";
  } else {
    return true;
  }
  return false;
}

}  // namespace kestrel
