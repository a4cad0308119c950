// Shell scripts and Perl as real scripts write them: strings that hold
// command substitutions with quotes of their own, here-documents (whose
// text is a string, never comment), and Perl's regular-expression literals.
// The lines are those of published scripts.
#include <gtest/gtest.h>

#include "editor/LanguageCheck.h"
#include "editor/ScriptParser.h"
#include "editor/SyntaxParsers.h"

namespace corvatine {
namespace {

using test::CheckLanguage;
using test::kInHeredoc;

// Inside a "..." string, in the code of "$(" ... ")".
constexpr int kStringThenCode = CSyntaxParserScript::STATE_STRING_1 | (1 << CSyntaxParserScript::kNestShift);

TEST(ShellTest, StringsHoldCommandSubstitutionsWithQuotes) {
    CheckLanguage(
        {"sh",
         "CSyntaxParserSh",
         {
             {"SCRIPT_DIR=\"$(cd \"$(dirname \"${BASH_SOURCE[0]}\")\" && pwd)\"",
              "nnnnnnnnnnosffnnnsffnnnnnnnnsffnnnnnnnnnnnonofsfsnooouuufs", 0},
             {"  name=\"$(basename \"${url%%\\?*}\")\"", "nnnnnnosffnnnnnnnnnsffnnnooooofsfs", 0},
             {"wide_name=\"$(awk -F_ '{print $1\"_\"$2\"_\"($3+5)\"_\"$4}' <<< \"${narrow_name}\")\"",
              "nnnnnnnnnosffnnnnonnnsssssssssssssssssssssssssssssssnoooosffnnnnnnnnnnnfsfs", 0},
             {"      MSG_PREFIX_DEQ=\"${MSG_PREFIX//[\\\"\\']/}\"",
              "nnnnnnnnnnnnnnnnnnnnosffnnnnnnnnnnooooooooofs", 0},
             // The apostrophe inside the inner string opens nothing.
             {"echo \"$(printf '%s' \"it's\")\" # c", "kkkknsffnnnnnnnssssnssssssfsnccc", 0},
             // Outside strings a backslash escapes; inside '...' it is a character.
             {"echo don\\'t # c", "kkkknnnnoonnccc", 0},
             {"printf '%s\\n' 'C:\\' # c", "nnnnnnnssssssnsssssnccc", 0},
             // A string left open goes on, with the substitution in it.
             {"echo \"$(date \\", "kkkknsffnnnnno", kStringThenCode},
             {"  +%s)\" # c", "nnoonfsnccc", 0},
         }});
}

// The text of a here-document is a string: "## ..." in it is what the
// script prints, not a comment. After its closing line the script goes on
// where it was, also inside "$(" ... ")" in a string.
TEST(ShellTest, HereDocumentsAreStrings) {
    CheckLanguage(
        {"sh",
         "CSyntaxParserSh",
         {
             {"gh pr create --title \"<type>(<scope>): <description>\" \\",
              "nnnnnnnnnnnnnoonnnnnnssssssssssssssssssssssssssssssssno", 0},
             {"  --body \"$(cat <<'EOF'", "nnoonnnnnsffnnnnookkkkk", kInHeredoc},
             {"## Summary", "ssssssssss", kInHeredoc},
             {"<bullet points from commit messages>", "ssssssssssssssssssssssssssssssssssss", kInHeredoc},
             {"", "", kInHeredoc},
             {"EOF", "kkk", kStringThenCode},
             {")\"", "fs", 0},
             {"cat >> config.json <<EOF", "nnnnooonnnnnnonnnnnookkk", kInHeredoc},
             {"    \"final\": \"direct\"", "sssssssssssssssssssss", kInHeredoc},
             {"EOF2", "ssss", kInHeredoc},  // not the word
             {" EOF", "ssss", kInHeredoc},  // not alone
             {"EOF", "kkk", 0},
             // "<<-": the closing line may be indented with tabs.
             {"\tcat >expect <<-\\EOF &&", "nnnnnonnnnnnnoookkkknoo", kInHeredoc},
             {"\t## expected output", "sssssssssssssssssss", kInHeredoc},
             {"\tEOF", "kkkk", 0},
             {"cat <<\"END\" | sort # sorted", "nnnnookkkkknoonnnnncccccccc", kInHeredoc},
             {"# a line of text", "ssssssssssssssss", kInHeredoc},
             {"END", "kkk", 0},
             // Shifts and here-strings open no document.
             {"echo $(( 1 << 4 )) # shift", "kkkknoooonnooonnoooccccccc", 0},
             {"read -r a <<< \"$line\" # c", "kkkknonnnnoooosssssssnccc", 0},
         }});
}

TEST(PerlTest, RegularExpressionLiteralsAreNotQuoteLikeOperators) {
    CheckLanguage(
        {"pl",
         "CSyntaxParserPerl",
         {
             {"\t(@e)=grep(/^SSLeay/,@functions);", "noffookkkkosssssssssoffffffffffoo", 0},
             {"\t(@r)=grep(!/^SSLeay/,@functions);", "noffookkkkoosssssssssoffffffffffoo", 0},
             // "\s*" is no substitution with "*" for delimiter.
             {"    return 1 if $line =~ /^\\s*return/; # a return line",
              "nnnnkkkkkknnnkknfffffnooossssssssssssooccccccccccccccc", 0},
             // Quotes inside the pattern open no string.
             {"    if ($attr =~ /[\\\"\\']/) { # quoted", "nnnnkknofffffnooossssssssoooocccccccc", 0},
             {"\t\t$value =~ s/[\\\"\\']//g;", "nnffffffnoooksssssssssso", 0},
             // After an operand "/" divides.
             {"my $half = $total / 2; # half", "kknfffffnooffffffnoonoocccccc", 0},
             {"my @f = split /\\s*,\\s*/, $line; # fields", "kknffnookkkkknsssssssssoofffffoocccccccc", 0},
         }});
}

TEST(PerlTest, HereDocumentsAreStrings) {
    CheckLanguage(
        {"pl",
         "CSyntaxParserPerl",
         {
             {"\tprint OUT <<\"EOF\";", "nkkkkknnnnnookkkkko", kInHeredoc},
             {";", "s", kInHeredoc},
             {"; Definition file for the DLL version of the $name library from OpenSSL",
              "sssssssssssssssssssssssssssssssssssssssssssssssssssssssssssssssssssssss", kInHeredoc},
             {"# not a comment", "sssssssssssssss", kInHeredoc},
             {"EOF", "kkk", 0},
             // "<<~": the closing line may be indented.
             {"print <<~EOT;", "kkkkknoookkko", kInHeredoc},
             {"    # indented text", "sssssssssssssssssss", kInHeredoc},
             {"    EOT", "kkkkkkk", 0},
             {"print << 'X' . \"y\"; # c", "kkkkknoookkknoosssooccc", kInHeredoc},
             {"X", "k", 0},
             // A shift opens no document.
             {"my $mask = 1 << $bits; # shift", "kknfffffnoonnooofffffooccccccc", 0},
         }});
}

// Lines of Perl's own modules (autodie/Util.pm, Env.pm, ExtUtils): the list
// separator $", a symbolic reference "${"...${x}..."}", "m,...,s" and its
// modifiers, brackets nested in "m[...]", and two here-documents on a line.
TEST(PerlTest, LinesOfPerlsOwnModules) {
    // Inside "m[" ... "]" over lines, its "]" in bits 16-23.
    constexpr int kInQuoteLike = CSyntaxParserPerl::STATE_QUOTE_LIKE | (1 << 9) | (']' << 16);
    CheckLanguage({"pl",
                   "CSyntaxParserPerl",
                   {
                       {"    local $\" = \", \";    # So @args is formatted correctly.",
                        "nnnnkkkkknffnoossssooooocccccccccccccccccccccccccccccccccc", 0x0},
                       {"\t    tie ${\"${callpack}::$name\"}, Env, $name;",
                        "nnnnnkkknfffffffffffffffffffffffoonnnoofffffo", 0x0},
                       {"    my $exp_dir = ($near_obj =~ m,(.*)[/\\\\],s ? \"$1/\" : '' );",
                        "nnnnkknffffffffnooofffffffffnoookssssssssssssnoosssssnoossnoo", 0x0},
                       {"      m[^", "nnnnnnkss", kInQuoteLike},
                       {"        sv_set([iunp])v(n)?    # Type, is_setpvn",
                        "ssssssssssssssssssssssssssssssssssssssssssssssss", kInQuoteLike},
                       {"        \\( \\s*", "ssssssssssssss", kInQuoteLike},
                       {"      ]xo", "sssssssss", 0x0},
                       {"        print $xs_fh $explosives ? <<\"EXPLODE\" : <<\"DONT\";",
                        "nnnnnnnnkkkkknffffffnfffffffffffnooookkkkkkkkknooookkkkkko", kInHeredoc},
                       {"    PPCODE:", "sssssssssss", kInHeredoc},
                       {"EXPLODE", "kkkkkkk", kInHeredoc},
                       {"#ifndef SYMBIAN", "sssssssssssssss", kInHeredoc},
                       {"\t/* It's not obvious how to calculate this at C pre-processor time.",
                        "sssssssssssssssssssssssssssssssssssssssssssssssssssssssssssssssssss", kInHeredoc},
                       {"DONT", "kkkk", 0x0},
                       {"# done", "cccccc", 0x0},
                   }});
}

}  // namespace
}  // namespace corvatine
