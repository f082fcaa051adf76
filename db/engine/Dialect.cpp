#include "db/engine/Dialect.h"

#include <algorithm>
#include <cassert>
#include <cctype>
#include <map>

namespace zeldb {
namespace {

enum class Tok { Space, Word, String, Placeholder, Number, Punct };

struct Token {
  Tok kind;
  std::string text;
  int number = -1;  // placeholder number for Tok::Placeholder
};

bool IsWordStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool IsWordChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$' || c == '#';
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

bool Tokenize(std::string_view s, std::vector<Token>& out, std::string& error) {
  size_t i = 0;
  while (i < s.size()) {
    const char c = s[i];
    size_t j = i + 1;
    if (std::isspace(static_cast<unsigned char>(c))) {
      while (j < s.size() && std::isspace(static_cast<unsigned char>(s[j]))) ++j;
      out.push_back({Tok::Space, std::string(s.substr(i, j - i))});
    } else if (c == '\'') {
      // A literal runs to the next quote that is not doubled.
      for (;;) {
        if (j >= s.size()) { error = "unterminated string literal"; return false; }
        if (s[j] == '\'') {
          if (j + 1 < s.size() && s[j + 1] == '\'') { j += 2; continue; }
          ++j;
          break;
        }
        ++j;
      }
      out.push_back({Tok::String, std::string(s.substr(i, j - i))});
    } else if (c == ':' && j < s.size() && (s[j] == 'b' || s[j] == 'B') && j + 1 < s.size() &&
               std::isdigit(static_cast<unsigned char>(s[j + 1]))) {
      j += 1;
      int n = 0;
      while (j < s.size() && std::isdigit(static_cast<unsigned char>(s[j]))) n = n * 10 + (s[j++] - '0');
      out.push_back({Tok::Placeholder, std::string(s.substr(i, j - i)), n});
    } else if (IsWordStart(c)) {
      while (j < s.size() && IsWordChar(s[j])) ++j;
      out.push_back({Tok::Word, std::string(s.substr(i, j - i))});
    } else if (std::isdigit(static_cast<unsigned char>(c))) {
      while (j < s.size() && (std::isdigit(static_cast<unsigned char>(s[j])) || s[j] == '.')) ++j;
      out.push_back({Tok::Number, std::string(s.substr(i, j - i))});
    } else {
      out.push_back({Tok::Punct, std::string(1, c)});
    }
    i = j;
  }
  return true;
}

class Renderer {
 public:
  // Without a flavor the text keeps everything but its markers (Translate_Markers).
  Renderer(const std::vector<Token>& toks, const SqlFlavor* flavor, Translation& result)
      : t_(toks), flavor_(flavor), r_(result) {}

  bool Run() {
    // Only a select can carry an into list; the first word decides.
    for (const auto& tok : t_) {
      if (tok.kind == Tok::Space) continue;
      selectInto_ = tok.kind == Tok::Word && EqualsNoCase(tok.text, "select");
      break;
    }
    selectList_ = selectInto_;
    std::string out;
    if (!Render(0, t_.size(), 0, out)) return false;
    if (flavor_ && selectInto_ && !r_.outputs.empty()) out += flavor_->SingleRowSuffix();
    r_.sql = std::move(out);
    return true;
  }

 private:
  size_t SkipSpace(size_t i, size_t end) const {
    while (i < end && t_[i].kind == Tok::Space) ++i;
    return i;
  }
  bool IsPunct(size_t i, size_t end, char c) const {
    return i < end && t_[i].kind == Tok::Punct && t_[i].text[0] == c;
  }

  // Index of the ')' that closes the '(' at `open`, or `end` when none does.
  size_t MatchParen(size_t open, size_t end) const {
    int depth = 0;
    for (size_t i = open; i < end; ++i) {
      if (IsPunct(i, end, '(')) ++depth;
      if (IsPunct(i, end, ')') && --depth == 0) return i;
    }
    return end;
  }

  // Splits the arguments between `open` and `close` at top-level commas.
  std::vector<std::pair<size_t, size_t>> Arguments(size_t open, size_t close) const {
    std::vector<std::pair<size_t, size_t>> args;
    int depth = 0;
    size_t start = open + 1;
    for (size_t i = open + 1; i < close; ++i) {
      if (IsPunct(i, close, '(')) ++depth;
      if (IsPunct(i, close, ')')) --depth;
      if (depth == 0 && IsPunct(i, close, ',')) {
        args.emplace_back(start, i);
        start = i + 1;
      }
    }
    args.emplace_back(start, close);
    return args;
  }

  // The format literal of a conversion, without its quotes.
  bool FormatArgument(std::pair<size_t, size_t> arg, std::string& fmt) {
    size_t i = SkipSpace(arg.first, arg.second);
    if (i >= arg.second || t_[i].kind != Tok::String || SkipSpace(i + 1, arg.second) != arg.second) {
      r_.error = "conversion format must be a literal";
      return false;
    }
    fmt = t_[i].text.substr(1, t_[i].text.size() - 2);
    return true;
  }

  std::string Parameter(int placeholder) {
    if (!flavor_) {
      // Positional markers: every occurrence is a parameter of its own.
      r_.parameters.push_back(placeholder);
      return "?";
    }
    auto it = std::find(r_.parameters.begin(), r_.parameters.end(), placeholder);
    if (it == r_.parameters.end()) {
      r_.parameters.push_back(placeholder);
      return flavor_->Parameter(static_cast<int>(r_.parameters.size()));
    }
    return flavor_->Parameter(static_cast<int>(it - r_.parameters.begin()) + 1);
  }

  // The into list: outputs ":bN" or ":bN:bM" (M being N's indicator),
  // separated by commas. Returns the index after it.
  size_t IntoList(size_t i, size_t end) {
    for (;;) {
      i = SkipSpace(i, end);
      if (i >= end || t_[i].kind != Tok::Placeholder) break;
      r_.outputs.push_back(t_[i].number);
      ++i;
      if (i < end && t_[i].kind == Tok::Placeholder) ++i;  // the indicator
      size_t k = SkipSpace(i, end);
      if (!IsPunct(k, end, ',')) break;
      i = k + 1;
    }
    return i;
  }

  // Whether the call at `i` whose ')' is at `close` is a whole item of the
  // select list: not inside another expression, between "select" or a comma
  // and a comma or the list's end.
  bool WholeSelectItem(size_t i, size_t close, size_t end) const {
    if (!selectList_ || parens_ != 0) return false;
    const auto isWord = [this](size_t k, const char* word) {
      return t_[k].kind == Tok::Word && EqualsNoCase(t_[k].text, word);
    };
    size_t before = i;
    while (before > 0 && t_[before - 1].kind == Tok::Space) --before;
    const bool starts = before > 0 && (isWord(before - 1, "select") || IsPunct(before - 1, end, ','));
    const size_t after = SkipSpace(close + 1, end);
    const bool ends =
        after < end && (IsPunct(after, end, ',') || isWord(after, "into") || isWord(after, "from"));
    return starts && ends;
  }

  // Appends `date`, with the day arithmetic that follows it at `i`
  // ("TO_DATE(:b14,'yyyymmdd')+:b15", "trunc(sysdate)-1") rendered by the
  // flavor; `i` moves past what was taken.
  bool DayArithmetic(const std::string& date, size_t& i, size_t end, int depth, std::string& out) {
    const size_t k = SkipSpace(i, end);
    if (IsPunct(k, end, '+') || IsPunct(k, end, '-')) {
      const char op = t_[k].text[0];
      const size_t m = SkipSpace(k + 1, end);
      if (m < end && (t_[m].kind == Tok::Placeholder || t_[m].kind == Tok::Number)) {
        std::string days;
        if (!Render(m, m + 1, depth + 1, days)) return false;
        out += flavor_->AddDays(date, op, days);
        i = m + 1;
        return true;
      }
    }
    out += date;
    return true;
  }

  bool Render(size_t begin, size_t end, int depth, std::string& out) {
    for (size_t i = begin; i < end;) {
      const Token& tok = t_[i];
      if (tok.kind == Tok::Placeholder) {
        out += Parameter(tok.number);
        ++i;
        continue;
      }
      if (tok.kind != Tok::Word) {
        if (depth == 0 && IsPunct(i, end, '(')) ++parens_;
        if (depth == 0 && IsPunct(i, end, ')')) --parens_;
        out += tok.text;
        ++i;
        continue;
      }
      // The select list ends at the first "into" or "from" outside parentheses.
      if (depth == 0 && parens_ == 0 && (EqualsNoCase(tok.text, "into") || EqualsNoCase(tok.text, "from")))
        selectList_ = false;
      if (depth == 0 && selectInto_ && r_.outputs.empty() && EqualsNoCase(tok.text, "into")) {
        i = IntoList(i + 1, end);
        continue;
      }
      if (!flavor_) {
        out += tok.text;
        ++i;
        continue;
      }
      const size_t open = SkipSpace(i + 1, end);
      const bool call = IsPunct(open, end, '(');
      if (call && (EqualsNoCase(tok.text, "TO_CHAR") || EqualsNoCase(tok.text, "TO_DATE"))) {
        const size_t close = MatchParen(open, end);
        if (close == end) { r_.error = "unbalanced parentheses"; return false; }
        auto args = Arguments(open, close);
        if (args.size() != 2) { r_.error = tok.text + " needs two arguments"; return false; }
        std::string expr, fmt;
        if (!Render(args[0].first, args[0].second, depth + 1, expr) || !FormatArgument(args[1], fmt)) return false;
        const bool toChar = EqualsNoCase(tok.text, "TO_CHAR");
        if (!SupportedFormat(fmt, toChar)) { r_.error = "unsupported date format '" + fmt + "'"; return false; }
        const bool wholeItem = depth == 0 && WholeSelectItem(i, close, end);
        i = close + 1;
        if (toChar) {
          out += wholeItem ? flavor_->ToCharColumn(expr, fmt) : flavor_->ToChar(expr, fmt);
          continue;
        }
        if (!DayArithmetic(flavor_->ToDate(expr, fmt), i, end, depth, out)) return false;
        continue;
      }
      if (call && EqualsNoCase(tok.text, "trunc")) {
        const size_t close = MatchParen(open, end);
        size_t a = SkipSpace(open + 1, close);
        if (close == end || a >= close || t_[a].kind != Tok::Word || !EqualsNoCase(t_[a].text, "sysdate") ||
            SkipSpace(a + 1, close) != close) {
          r_.error = "trunc is supported on sysdate only";
          return false;
        }
        i = close + 1;
        if (!DayArithmetic(flavor_->Today(), i, end, depth, out)) return false;
        continue;
      }
      if (EqualsNoCase(tok.text, "sysdate")) {
        out += flavor_->Sysdate();
        ++i;
        continue;
      }
      // Oracle's one-row table: the engines select without a from clause.
      if (EqualsNoCase(tok.text, "from")) {
        const size_t k = SkipSpace(i + 1, end);
        if (k < end && t_[k].kind == Tok::Word && EqualsNoCase(t_[k].text, "dual")) {
          i = k + 1;
          continue;
        }
      }
      if (EqualsNoCase(tok.text, "MvSystem") && IsPunct(i + 1, end, '.') && i + 2 < end && t_[i + 2].kind == Tok::Word) {
        out += flavor_->Qualified(tok.text, t_[i + 2].text);
        i += 3;
        continue;
      }
      out += tok.text;
      ++i;
    }
    return true;
  }

  // The time of day alone is only ever read: written, Oracle would complete
  // it with a day of its own choosing.
  static bool SupportedFormat(const std::string& fmt, bool toChar) {
    return EqualsNoCase(fmt, "yyyymmdd") || EqualsNoCase(fmt, "yyyymmddHH24MISS") ||
           (toChar && EqualsNoCase(fmt, "HH24MISS"));
  }

  const std::vector<Token>& t_;
  const SqlFlavor* flavor_;
  Translation& r_;
  bool selectInto_ = false;
  bool selectList_ = false;  // rendering the items of a select list
  int parens_ = 0;           // open parentheses at the outer level
};

// Whether the translated text refers to every engine parameter the
// translation counts, each standing for one distinct placeholder: the
// session binds exactly that many host variables.
[[maybe_unused]] bool ParametersPaired(const Translation& t, const SqlFlavor& flavor) {
  for (size_t i = 0; i < t.parameters.size(); ++i) {
    if (t.sql.find(flavor.Parameter(static_cast<int>(i) + 1)) == std::string::npos) return false;
    if (std::count(t.parameters.begin(), t.parameters.end(), t.parameters[i]) != 1) return false;
  }
  return true;
}

}  // namespace

Translation Translate(std::string_view oracleText, const SqlFlavor& flavor) {
  Translation result;
  std::vector<Token> tokens;
  if (!Tokenize(oracleText, tokens, result.error)) return result;
  Renderer renderer(tokens, &flavor, result);
  result.ok = renderer.Run();
  assert(!result.ok || ParametersPaired(result, flavor));
  return result;
}

Translation Translate_Markers(std::string_view oracleText) {
  Translation result;
  std::vector<Token> tokens;
  if (!Tokenize(oracleText, tokens, result.error)) return result;
  Renderer renderer(tokens, nullptr, result);
  result.ok = renderer.Run();
  return result;
}

}  // namespace zeldb
