#include "editor/SyntaxParsers.h"

namespace corvatine {

CSyntaxParserPlain::CSyntaxParserPlain() : CSyntaxParser(0, "Text", "txt,diz", 0x10, "", "", ";") {}
CSyntaxParserAsp::CSyntaxParserAsp() : CSyntaxParser(1, "ASP", "asp", 0x30, "", "", "'") {}
CSyntaxParserBasic::CSyntaxParserBasic()
    : CSyntaxParser(2, "Basic", "bas,vb,vbs,frm,dsm,cls", 0x30, "", "", "'") {}
CSyntaxParserBatch::CSyntaxParserBatch() : CSyntaxParser(3, "Batch", "bat,btm,cmd", 0x11, "", "", "rem ") {}
CSyntaxParserCpp::CSyntaxParserCpp()
    : CSyntaxParser(4, "C/C++", "c,cc,cpp,cxx,h,hpp,hxx,hm,inl,rh,tlh,tli,xs", 0x30, "/*", "*/", "//") {}
CSyntaxParserCsharp::CSyntaxParserCsharp() : CSyntaxParser(5, "C#", "cs", 0x30, "/*", "*/", "//") {}
CSyntaxParserDcl::CSyntaxParserDcl() : CSyntaxParser(6, "DCL", "dcl,dcc", 0x50, "/*", "*/", "//") {}
CSyntaxParserFortran::CSyntaxParserFortran()
    : CSyntaxParser(7, "Fortran", "f,f90,f9p,fpp,for,f77", 0x11, "", "", "!") {}
CSyntaxParserHtml::CSyntaxParserHtml()
    : CSyntaxParser(8, "HTML", "html,htm,shtml,ihtml,ssi,stm,stml", 0x30, "<!--", "-->", "'") {}
CSyntaxParserIni::CSyntaxParserIni() : CSyntaxParser(9, "INI", "ini,reg", 0x150, "", "", ";") {}
CSyntaxParserIss::CSyntaxParserIss() : CSyntaxParser(10, "InnoSetup", "iss,isl", 0x30, "{", "}", ";") {}
CSyntaxParserIs::CSyntaxParserIs() : CSyntaxParser(11, "InstallShield", "rul", 0x30, "/*", "*/", "//") {}
CSyntaxParserJava::CSyntaxParserJava() : CSyntaxParser(12, "Java", "java,jav,js", 0x30, "/*", "*/", "//") {}
CSyntaxParserLisp::CSyntaxParserLisp() : CSyntaxParser(13, "AutoLISP", "lsp", 0x30, ";|", "|;", ";") {}
CSyntaxParserNsis::CSyntaxParserNsis() : CSyntaxParser(14, "NSIS", "nsi,nsh", 0x30, "/*", "*/", ";") {}
CSyntaxParserPascal::CSyntaxParserPascal() : CSyntaxParser(15, "Pascal", "pas", 0x30, "{", "}", "") {}
CSyntaxParserPerl::CSyntaxParserPerl() : CSyntaxParser(16, "Perl", "pl", 0x110, "", "", "#") {}
CSyntaxParserPhp::CSyntaxParserPhp()
    : CSyntaxParser(17, "PHP", "php,php3,php4,php5,phtml", 0x50, "/*", "*/", "//") {}
CSyntaxParserPython::CSyntaxParserPython() : CSyntaxParser(18, "Python", "py", 0x50, "/*", "*/", "//") {}
CSyntaxParserRexx::CSyntaxParserRexx() : CSyntaxParser(19, "REXX", "rex,rexx", 0x10, "/*", "*/", "//") {}
CSyntaxParserRsrc::CSyntaxParserRsrc()
    : CSyntaxParser(20, "Resources", "rc,dlg,r16,r32,rc2", 0x30, "/*", "*/", "//") {}
CSyntaxParserSgml::CSyntaxParserSgml() : CSyntaxParser(21, "Sgml", "sgml", 0x30, "<!--", "-->", "'") {}
CSyntaxParserSh::CSyntaxParserSh() : CSyntaxParser(22, "Shell", "sh,conf", 0x111, "", "", "#") {}
CSyntaxParserSiod::CSyntaxParserSiod() : CSyntaxParser(23, "SIOD", "scm", 0x50, ";|", "|;", ";") {}
CSyntaxParserSql::CSyntaxParserSql() : CSyntaxParser(24, "SQL", "sql", 0x10, "/*", "*/", "//") {}
CSyntaxParserTcl::CSyntaxParserTcl() : CSyntaxParser(25, "TCL", "tcl", 0x150, "", "", "#") {}
CSyntaxParserTex::CSyntaxParserTex()
    : CSyntaxParser(26, "TEX", "tex,sty,clo,ltx,fd,dtx", 0x10, "", "", "%") {}
CSyntaxParserXml::CSyntaxParserXml() : CSyntaxParser(27, "XML", "xml", 0x30, "<!--", "-->", "") {}

namespace {

template <typename T>
std::unique_ptr<CSyntaxParser> Create() {
    return std::make_unique<T>();
}

}  // namespace

const SyntaxParserCreator kSyntaxParserCreators[28] = {
    Create<CSyntaxParserPlain>,  Create<CSyntaxParserAsp>,     Create<CSyntaxParserBasic>,
    Create<CSyntaxParserBatch>,  Create<CSyntaxParserCpp>,     Create<CSyntaxParserCsharp>,
    Create<CSyntaxParserDcl>,    Create<CSyntaxParserFortran>, Create<CSyntaxParserHtml>,
    Create<CSyntaxParserIni>,    Create<CSyntaxParserIss>,     Create<CSyntaxParserIs>,
    Create<CSyntaxParserJava>,   Create<CSyntaxParserLisp>,    Create<CSyntaxParserNsis>,
    Create<CSyntaxParserPascal>, Create<CSyntaxParserPerl>,    Create<CSyntaxParserPhp>,
    Create<CSyntaxParserPython>, Create<CSyntaxParserRexx>,    Create<CSyntaxParserRsrc>,
    Create<CSyntaxParserSgml>,   Create<CSyntaxParserSh>,      Create<CSyntaxParserSiod>,
    Create<CSyntaxParserSql>,    Create<CSyntaxParserTcl>,     Create<CSyntaxParserTex>,
    Create<CSyntaxParserXml>,
};

}  // namespace corvatine
