#include "core/FilterExpr.h"

#include "core/EngineError.h"
#include "core/GermanLocale.h"
#include "core/LittleEndian.h"
#include "core/Win1252.h"

#include <QVarLengthArray>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <string_view>
#include <vector>

namespace lesaro {

namespace filter {

// The truth of a node for one row. A comparison that read an empty field is "unknown": it still has
// the value it yields on the empty-read field, which AND, OR and NOT use, but a row passes only when the
// whole expression is true and not unknown.
struct Truth {
    bool value;
    bool unknown;
};

class Node {
public:
    virtual ~Node() = default;
    virtual Truth eval(const RowRef& row) const = 0;
};

} // namespace filter

namespace {

using filter::Node;
using filter::Truth;

enum class Op { Eq, Ne, Lt, Gt, Le, Ge, Like };

Op mirror(Op op) {
    switch (op) {
    case Op::Lt:
        return Op::Gt;
    case Op::Gt:
        return Op::Lt;
    case Op::Le:
        return Op::Ge;
    case Op::Ge:
        return Op::Le;
    default:
        return op;
    }
}

template <typename T>
bool applyOrder(Op op, const T& a, const T& b) {
    switch (op) {
    case Op::Eq:
        return a == b;
    case Op::Ne:
        return a != b;
    case Op::Lt:
        return a < b;
    case Op::Gt:
        return a > b;
    case Op::Le:
        return a <= b;
    case Op::Ge:
        return a >= b;
    case Op::Like:
        break;
    }
    return false;
}

bool applyCompareResult(Op op, int c) {
    return applyOrder(op, c, 0);
}

// ---------------------------------------------------------------------------------------------------
// Tokens

enum class Tok { End, Number, String, Name, And, Or, Not, Like, In, Is, Null, True, False, Op };

struct Token {
    Tok type = Tok::End;
    QString text; // number text, string content, field name, or operator
    int pos = 0;
};

class Lexer {
public:
    explicit Lexer(const QString& text)
        : m_text(text) {}

    // Tokens are read as the parser asks for them, so that an error further on in the text is not
    // reported before the parser has seen the text it cannot use.
    Token next() {
        const int n = int(m_text.size());
        int i = m_pos;
        while (i < n && (m_text[i].unicode() <= 32 || startsComment(i))) {
            if (m_text[i].unicode() <= 32) {
                ++i;
                continue;
            }
            const int end = int(m_text.indexOf(QLatin1String("*/"), i + 2));
            i = end < 0 ? n : end + 2;
        }
        Token t;
        t.pos = i;
        if (i >= n) {
            m_pos = n;
            return t;
        }
        const QChar c = m_text[i];
        const bool afterOperand = m_lastWasOperand;
        if (c == QLatin1Char('\'')) {
            QString s;
            int j = i + 1;
            while (true) {
                if (j >= n)
                    throw EngineError(QStringLiteral("Nicht begrenzte String-Konstante"));
                if (m_text[j] == QLatin1Char('\'')) {
                    if (j + 1 < n && m_text[j + 1] == QLatin1Char('\'')) {
                        s += QLatin1Char('\'');
                        j += 2;
                        continue;
                    }
                    break;
                }
                s += m_text[j++];
            }
            t.type = Tok::String;
            t.text = s;
            i = j + 1;
        } else if (isDigit(c) || (c == QLatin1Char('-') && !afterOperand && i + 1 < n && isDigit(m_text[i + 1]))) {
            int j = i + 1;
            while (j < n &&
                   (isDigit(m_text[j]) || m_text[j] == QLatin1Char('+') || m_text[j] == QLatin1Char('-') ||
                    m_text[j] == QLatin1Char('E') || m_text[j] == QLatin1Char('e') || m_text[j] == QLatin1Char(',')))
                ++j;
            t.type = Tok::Number;
            t.text = m_text.mid(i, j - i);
            i = j;
        } else if (c == QLatin1Char('[')) {
            const int end = int(m_text.indexOf(QLatin1Char(']'), i + 1));
            if (end < 0)
                throw EngineError(QStringLiteral("Nicht begrenzter Feldname"));
            t.type = Tok::Name;
            t.text = m_text.mid(i + 1, end - i - 1);
            i = end + 1;
        } else if (isWordChar(c)) {
            int j = i + 1;
            while (j < n && (isWordChar(m_text[j]) || isDigit(m_text[j]) || m_text[j] == QLatin1Char('[') ||
                             m_text[j] == QLatin1Char(']')))
                ++j;
            t.text = m_text.mid(i, j - i);
            t.type = keyword(t.text);
            i = j;
        } else {
            const QStringView two = QStringView(m_text).mid(i, 2);
            if (two == QLatin1String("<>") || two == QLatin1String("<=") || two == QLatin1String(">=")) {
                t.type = Tok::Op;
                t.text = two.toString();
                i += 2;
            } else if (QStringLiteral("(),+-*/=<>").contains(c)) {
                t.type = Tok::Op;
                t.text = c;
                ++i;
            } else {
                throw EngineError(QStringLiteral("Ungültiges Zeichen in Filterausdruck: '%1'").arg(c));
            }
        }
        m_pos = i;
        m_lastWasOperand = isOperand(t);
        return t;
    }

private:
    static bool isDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }
    static bool isWordChar(QChar c) { return c == QLatin1Char('_') || c == QLatin1Char('.') || c.isLetter(); }
    bool startsComment(int i) const {
        return m_text[i] == QLatin1Char('/') && i + 1 < m_text.size() && m_text[i + 1] == QLatin1Char('*');
    }
    static bool isOperand(const Token& t) {
        return t.type == Tok::Number || t.type == Tok::String || t.type == Tok::Name || t.type == Tok::Null ||
               t.type == Tok::True || t.type == Tok::False || (t.type == Tok::Op && t.text == QLatin1String(")"));
    }
    static Tok keyword(const QString& w) {
        struct K {
            const char* word;
            Tok tok;
        };
        static const K words[] = {{"AND", Tok::And},   {"OR", Tok::Or},       {"NOT", Tok::Not},
                                  {"LIKE", Tok::Like}, {"IN", Tok::In},       {"IS", Tok::Is},
                                  {"NULL", Tok::Null}, {"TRUE", Tok::True},   {"FALSE", Tok::False},
                                  {"WAHR", Tok::True}, {"FALSCH", Tok::False}};
        for (const K& k : words) {
            if (w.compare(QLatin1String(k.word), Qt::CaseInsensitive) == 0)
                return k.tok;
        }
        return Tok::Name;
    }

    const QString& m_text;
    int m_pos = 0;
    bool m_lastWasOperand = false;
};

// ---------------------------------------------------------------------------------------------------
// Syntax tree, before the operands are typed against the columns

struct Ast {
    enum class Kind { Field, Number, String, Null, Bool, Compare, IsNull, And, Or, Not, Invalid };
    Kind kind;
    QString text;      // field name, number text or string constant
    bool flag = false; // Bool: its value; IsNull: negated
    Op op = Op::Eq;
    std::unique_ptr<Ast> left;
    std::unique_ptr<Ast> right;
    std::vector<std::unique_ptr<Ast>> items; // And, Or: kept flat so long chains do not nest deeply
};
using AstPtr = std::unique_ptr<Ast>;

AstPtr makeAst(Ast::Kind kind, QString text = {}) {
    auto a = std::make_unique<Ast>();
    a->kind = kind;
    a->text = std::move(text);
    return a;
}

QString describe(const Token& t) {
    switch (t.type) {
    case Tok::End:
        return QStringLiteral("Ende des Ausdrucks");
    case Tok::String:
        return QStringLiteral("'%1'").arg(t.text);
    default:
        return t.text;
    }
}

class Parser {
public:
    explicit Parser(Lexer& lexer)
        : m_lexer(lexer)
        , m_current(lexer.next()) {}

    AstPtr parseAll() {
        AstPtr e = parseOr();
        if (peek().type != Tok::End)
            throw EngineError(QStringLiteral("Filterausdruck fehlerhaft abgeschlossen"));
        return e;
    }

    // A lone operand, as it would stand on the right of a comparison.
    AstPtr parseOperand() {
        AstPtr e = parseAdditive();
        if (peek().type != Tok::End)
            throw EngineError(QStringLiteral("Filterausdruck fehlerhaft abgeschlossen"));
        return e;
    }

private:
    const Token& peek() const { return m_current; }
    Token next() {
        Token t = std::move(m_current);
        if (t.type != Tok::End)
            m_current = m_lexer.next();
        else
            m_current = t;
        return t;
    }
    bool isOp(const char* op) const { return peek().type == Tok::Op && peek().text == QLatin1String(op); }

    AstPtr parseOr() {
        AstPtr l = parseAnd();
        if (peek().type != Tok::Or)
            return l;
        auto a = makeAst(Ast::Kind::Or);
        a->items.push_back(std::move(l));
        while (peek().type == Tok::Or) {
            next();
            a->items.push_back(parseAnd());
        }
        return a;
    }

    AstPtr parseAnd() {
        AstPtr l = parseNot();
        if (peek().type != Tok::And)
            return l;
        auto a = makeAst(Ast::Kind::And);
        a->items.push_back(std::move(l));
        while (peek().type == Tok::And) {
            next();
            a->items.push_back(parseNot());
        }
        return a;
    }

    AstPtr parseNot() {
        if (peek().type == Tok::Not) {
            DepthGuard guard(m_depth);
            next();
            auto a = makeAst(Ast::Kind::Not);
            a->left = parseNot();
            return a;
        }
        return parseComparison();
    }

    // Parentheses and NOT nest; a bound keeps hostile texts from exhausting the stack.
    struct DepthGuard {
        explicit DepthGuard(int& depth)
            : m_depth(depth) {
            if (++m_depth > kMaxDepth)
                throw EngineError(QStringLiteral("Ungültiger Filterausdruck"));
        }
        ~DepthGuard() { --m_depth; }
        DepthGuard(const DepthGuard&) = delete;
        DepthGuard& operator=(const DepthGuard&) = delete;
        int& m_depth;
    };

    AstPtr parseComparison() {
        AstPtr l = parseAdditive();
        const Token& t = peek();
        if (t.type == Tok::Is) {
            next();
            bool negated = false;
            if (peek().type == Tok::Not) {
                next();
                negated = true;
            }
            if (peek().type != Tok::Null)
                throw EngineError(QStringLiteral("Ausdruck erwartet, jedoch %1 vorgefunden").arg(describe(peek())));
            next();
            auto a = makeAst(Ast::Kind::IsNull);
            a->flag = negated;
            a->left = std::move(l);
            return a;
        }
        if (t.type == Tok::In) {
            // IN lists are part of the grammar but never written by the program.
            throw EngineError(QStringLiteral("Ungültiger Filterausdruck"));
        }
        std::optional<Op> op;
        if (t.type == Tok::Like)
            op = Op::Like;
        else if (t.type == Tok::Op) {
            static const struct {
                const char* text;
                Op op;
            } ops[] = {{"=", Op::Eq}, {"<>", Op::Ne}, {"<", Op::Lt}, {">", Op::Gt}, {"<=", Op::Le}, {">=", Op::Ge}};
            for (const auto& o : ops) {
                if (t.text == QLatin1String(o.text))
                    op = o.op;
            }
        }
        if (!op)
            return l;
        next();
        auto a = makeAst(Ast::Kind::Compare);
        a->op = *op;
        a->left = std::move(l);
        a->right = parseAdditive();
        return a;
    }

    AstPtr parseAdditive() {
        AstPtr l = parseMultiplicative();
        while (isOp("+") || isOp("-")) {
            next();
            parseMultiplicative();
            l = makeAst(Ast::Kind::Invalid); // arithmetic: admitted by the grammar, never used
        }
        return l;
    }

    AstPtr parseMultiplicative() {
        AstPtr l = parsePrimary();
        while (isOp("*") || isOp("/")) {
            next();
            parsePrimary();
            l = makeAst(Ast::Kind::Invalid);
        }
        return l;
    }

    AstPtr parsePrimary() {
        DepthGuard guard(m_depth);

        const Token t = peek();
        switch (t.type) {
        case Tok::Name: {
            next();
            if (isOp("(")) {
                // A function call: skip its arguments so that the message is about the call, not a name.
                throw EngineError(QStringLiteral("Ungültiger Filterausdruck"));
            }
            return makeAst(Ast::Kind::Field, t.text);
        }
        case Tok::Number:
            next();
            return makeAst(Ast::Kind::Number, t.text);
        case Tok::String:
            next();
            return makeAst(Ast::Kind::String, t.text);
        case Tok::Null:
            next();
            return makeAst(Ast::Kind::Null);
        case Tok::True:
        case Tok::False: {
            next();
            auto a = makeAst(Ast::Kind::Bool);
            a->flag = t.type == Tok::True;
            return a;
        }
        case Tok::Not: {
            // NOT binds looser than a comparison, but may also stand inside parentheses-free operands.
            return parseNot();
        }
        case Tok::Op:
            if (t.text == QLatin1String("(")) {
                next();
                AstPtr e = parseOr();
                if (!isOp(")"))
                    throw EngineError(QStringLiteral("')' erwartet, jedoch %1 vorgefunden").arg(describe(peek())));
                next();
                return e;
            }
            if (t.text == QLatin1String("-")) {
                next();
                parsePrimary();
                return makeAst(Ast::Kind::Invalid);
            }
            break;
        default:
            break;
        }
        throw EngineError(QStringLiteral("Ausdruck erwartet, jedoch %1 vorgefunden").arg(describe(t)));
    }

    static constexpr int kMaxDepth = 200;
    Lexer& m_lexer;
    Token m_current;
    int m_depth = 0;
};

// ---------------------------------------------------------------------------------------------------
// Evaluation nodes

using Bytes = QVarLengthArray<char, 256>;

// A present text value as stored: the bytes its length prefix counts. The text itself ends at the first zero
// byte among them (files may pad with zeros); the searches below take care of that themselves, so that a
// field is not scanned for a zero before it is compared.
QByteArrayView storedText(const RowRef& row, int column, quint8 lengthBytes) {
    const char* data = row.data(column);
    const qsizetype length = lengthBytes == 1 ? static_cast<unsigned char>(data[0]) : readLE<quint16>(data);
    return QByteArrayView(data + lengthBytes, length);
}

bool holdsZero(QByteArrayView bytes) {
    return !bytes.isEmpty() && std::memchr(bytes.data(), 0, size_t(bytes.size())) != nullptr;
}

void foldInto(QByteArrayView in, Bytes& out) {
    out.resize(in.size());
    for (qsizetype i = 0; i < in.size(); ++i)
        out[i] = static_cast<char>(win1252::foldLower(static_cast<unsigned char>(in[i])));
}

class ConstNode final : public Node {
public:
    explicit ConstNode(bool v)
        : m_value(v) {}
    Truth eval(const RowRef&) const override { return {m_value, false}; }

private:
    bool m_value;
};

// AND and OR see only the values of their operands, never whether they are unknown.
template <bool IsAnd>
class ChainNode final : public Node {
public:
    explicit ChainNode(std::vector<std::unique_ptr<Node>> items)
        : m_items(std::move(items)) {}
    Truth eval(const RowRef& row) const override {
        for (const auto& item : m_items) {
            if (item->eval(row).value != IsAnd)
                return {!IsAnd, false};
        }
        return {IsAnd, false};
    }

private:
    std::vector<std::unique_ptr<Node>> m_items;
};

class NotNode final : public Node {
public:
    explicit NotNode(std::unique_ptr<Node> e)
        : m_e(std::move(e)) {}
    Truth eval(const RowRef& row) const override { return {!m_e->eval(row).value, false}; }

private:
    std::unique_ptr<Node> m_e;
};

class IsNullNode final : public Node {
public:
    IsNullNode(int column, bool negated)
        : m_column(column)
        , m_negated(negated) {}
    Truth eval(const RowRef& row) const override { return {row.isNull(m_column) != m_negated, false}; }

private:
    int m_column;
    bool m_negated;
};

class BoolFieldNode final : public Node {
public:
    explicit BoolFieldNode(int column)
        : m_column(column) {}
    Truth eval(const RowRef& row) const override {
        if (row.isNull(m_column))
            return {false, true};
        return {row.int16(m_column) != 0, false};
    }

private:
    int m_column;
};

// Integer, date and boolean columns all compare as whole numbers.
class IntCompareNode final : public Node {
public:
    IntCompareNode(int column, FieldKind kind, Op op, qint64 value)
        : m_column(column)
        , m_kind(kind)
        , m_op(op)
        , m_value(value) {}
    Truth eval(const RowRef& row) const override {
        const bool null = row.isNull(m_column);
        qint64 v = 0;
        if (!null)
            v = m_kind == FieldKind::Boolean ? (row.int16(m_column) != 0 ? 1 : 0) : row.int32(m_column);
        return {applyOrder(m_op, v, m_value), null};
    }
    int column() const { return m_column; }
    FieldKind kind() const { return m_kind; }
    Op op() const { return m_op; }
    qint64 value() const { return m_value; }

private:
    int m_column;
    FieldKind m_kind;
    Op m_op;
    qint64 m_value;
};

class MoneyCompareNode final : public Node {
public:
    MoneyCompareNode(int column, Op op, double value)
        : m_column(column)
        , m_op(op)
        , m_value(value) {}
    Truth eval(const RowRef& row) const override {
        const bool null = row.isNull(m_column);
        const double v = null ? 0.0 : row.float64(m_column);
        return {applyOrder(m_op, v, m_value), null};
    }

private:
    int m_column;
    Op m_op;
    double m_value;
};

class TextCompareNode final : public Node {
public:
    TextCompareNode(int column, quint8 lengthBytes, Op op, QByteArray constant, bool ignoreCase, qsizetype prefix)
        : m_column(column)
        , m_lengthBytes(lengthBytes)
        , m_op(op)
        , m_ignoreCase(ignoreCase)
        , m_prefix(prefix)
        , m_constant(std::move(constant)) {
        if (m_ignoreCase)
            m_folded = win1252::foldLower(m_constant);
        m_quickEquality = (m_op == Op::Eq || m_op == Op::Ne) && !holdsZero(m_constant);
    }
    Truth eval(const RowRef& row) const override {
        const bool null = row.isNull(m_column);
        if (m_quickEquality && !null)
            return {equalsStored(storedText(row, m_column, m_lengthBytes)) == (m_op == Op::Eq), false};
        QByteArrayView field = null ? QByteArrayView() : row.text(m_column);
        if (m_prefix > 0 && field.size() > m_prefix)
            field = field.first(m_prefix);
        if (m_op == Op::Eq || m_op == Op::Ne) {
            bool equal;
            if (m_ignoreCase) {
                equal = field.size() == m_folded.size();
                for (qsizetype i = 0; equal && i < field.size(); ++i)
                    equal = win1252::foldLower(static_cast<unsigned char>(field[i])) ==
                            static_cast<unsigned char>(m_folded[i]);
            } else {
                equal = field == QByteArrayView(m_constant);
            }
            return {equal == (m_op == Op::Eq), null};
        }
        return {applyCompareResult(m_op, GermanLocale::compareText(field, m_constant, m_ignoreCase)), null};
    }

    // Whether the node can answer a present field from its stored bytes (see TextAnyNode), and the answer.
    bool answersStored() const { return m_quickEquality; }
    bool passesStored(QByteArrayView stored) const { return equalsStored(stored) == (m_op == Op::Eq); }
    bool passesEmpty() const { return m_constant.isEmpty() == (m_op == Op::Eq); }
    int column() const { return m_column; }
    quint8 lengthBytes() const { return m_lengthBytes; }
    // A plain "= constant" (no prefix test) with the constant as compared, folded when case is ignored.
    const QByteArray* plainEquality(bool* ignoreCase) const {
        if (m_op != Op::Eq || m_prefix != 0)
            return nullptr;
        *ignoreCase = m_ignoreCase;
        return m_ignoreCase ? &m_folded : &m_constant;
    }

private:
    // "=" on the stored bytes, without first looking for the zero byte that may end the text: a constant
    // without zero bytes matches only where the text holds all of it, and without the prefix option the
    // text must end right after it (at the end of the stored bytes or at a zero byte).
    bool equalsStored(QByteArrayView stored) const {
        const QByteArray& constant = m_ignoreCase ? m_folded : m_constant;
        const qsizetype m = constant.size();
        if (stored.size() < m)
            return false;
        if (m_prefix == 0 && stored.size() > m && stored[m] != '\0')
            return false;
        const auto* a = reinterpret_cast<const unsigned char*>(stored.data());
        const auto* b = reinterpret_cast<const unsigned char*>(constant.constData());
        if (!m_ignoreCase)
            return m == 0 || std::memcmp(a, b, size_t(m)) == 0;
        for (qsizetype i = 0; i < m; ++i) {
            if (win1252::kFoldLower[a[i]] != b[i])
                return false;
        }
        return true;
    }

    int m_column;
    quint8 m_lengthBytes;
    Op m_op;
    bool m_ignoreCase;
    bool m_quickEquality = false;
    qsizetype m_prefix;
    QByteArray m_constant;
    QByteArray m_folded;
};

// LIKE: "%" any run, "_" one character, a backslash makes the next character literal.
class LikeNode final : public Node {
public:
    LikeNode(int column, quint8 lengthBytes, const QByteArray& pattern, bool ignoreCase, qsizetype prefix)
        : m_column(column)
        , m_lengthBytes(lengthBytes)
        , m_ignoreCase(ignoreCase)
        , m_prefix(prefix) {
        for (qsizetype i = 0; i < pattern.size(); ++i) {
            char c = pattern[i];
            if (c == '\\' && i + 1 < pattern.size()) {
                c = pattern[++i];
                m_items.push_back({Item::Literal, fold(c)});
            } else if (c == '%') {
                if (m_items.empty() || m_items.back().type != Item::Any)
                    m_items.push_back({Item::Any, 0});
            } else if (c == '_') {
                m_items.push_back({Item::One, 0});
            } else {
                m_items.push_back({Item::Literal, fold(c)});
            }
        }
        // The search window's part match is "%text%": a plain substring search.
        if (m_items.size() >= 2 && m_items.front().type == Item::Any && m_items.back().type == Item::Any) {
            bool plain = true;
            for (size_t i = 1; i + 1 < m_items.size(); ++i) {
                plain = plain && m_items[i].type == Item::Literal;
                m_needle.push_back(m_items[i].c);
            }
            m_substring = plain;
            m_quickSubstring = plain && !m_needle.empty() && m_needle.find('\0') == std::string::npos;
        }
    }

    Truth eval(const RowRef& row) const override {
        const bool null = row.isNull(m_column);
        if (m_quickSubstring && !null)
            return {containsStored(storedText(row, m_column, m_lengthBytes)), false};
        QByteArrayView field = null ? QByteArrayView() : row.text(m_column);
        if (m_prefix > 0 && field.size() > m_prefix)
            field = field.first(m_prefix);
        if (m_substring)
            return {contains(field), null};
        Bytes folded;
        if (m_ignoreCase) {
            foldInto(field, folded);
            field = QByteArrayView(folded.constData(), folded.size());
        }
        return {match(field), null};
    }

    bool answersStored() const { return m_quickSubstring; }
    bool passesStored(QByteArrayView stored) const { return containsStored(stored); }
    bool passesEmpty() const { return false; } // the needle is not empty
    int column() const { return m_column; }
    quint8 lengthBytes() const { return m_lengthBytes; }
    // Whether every text equal to constant (folded when case is ignored) passes: it then holds the needle.
    bool holdsEveryEqual(const QByteArray& constant, bool ignoreCase) const {
        return m_quickSubstring && m_prefix == 0 && ignoreCase == m_ignoreCase &&
               QByteArrayView(constant).contains(QByteArrayView(m_needle.data(), qsizetype(m_needle.size())));
    }

private:
    struct Item {
        enum Type { Literal, One, Any } type;
        char c;
    };

    char fold(char c) const {
        return m_ignoreCase ? static_cast<char>(win1252::foldLower(static_cast<unsigned char>(c))) : c;
    }

    // The search window's hot path: a substring search that folds case as it compares, without copying the
    // field first.
    bool contains(QByteArrayView field) const {
        const qsizetype m = qsizetype(m_needle.size());
        if (m == 0)
            return true;
        const auto* hay = reinterpret_cast<const unsigned char*>(field.data());
        const auto* needle = reinterpret_cast<const unsigned char*>(m_needle.data());
        const qsizetype last = field.size() - m;
        if (!m_ignoreCase) {
            const std::string_view h(field.data() ? field.data() : "", size_t(field.size()));
            return h.find(std::string_view(m_needle.data(), m_needle.size())) != std::string_view::npos;
        }
        for (qsizetype i = 0; i <= last; ++i) {
            if (win1252::kFoldLower[hay[i]] != needle[0])
                continue;
            qsizetype j = 1;
            while (j < m && win1252::kFoldLower[hay[i + j]] == needle[j])
                ++j;
            if (j == m)
                return true;
        }
        return false;
    }

    // The substring search on the stored bytes: the needle holds no zero byte, so the first place it occurs
    // lies within the text exactly when no zero byte stands before it.
    bool containsStored(QByteArrayView stored) const {
        if (m_prefix > 0 && stored.size() > m_prefix)
            stored = stored.first(m_prefix);
        const qsizetype at = find(stored);
        return at >= 0 && !holdsZero(stored.first(at));
    }

    qsizetype find(QByteArrayView hay) const {
        const qsizetype m = qsizetype(m_needle.size());
        const qsizetype last = hay.size() - m;
        if (!m_ignoreCase) {
            const std::string_view h(hay.data() ? hay.data() : "", size_t(hay.size()));
            const size_t at = h.find(std::string_view(m_needle.data(), m_needle.size()));
            return at == std::string_view::npos ? -1 : qsizetype(at);
        }
        const auto* h = reinterpret_cast<const unsigned char*>(hay.data());
        const auto* needle = reinterpret_cast<const unsigned char*>(m_needle.data());
        const unsigned char first = needle[0];
        for (qsizetype i = 0; i <= last; ++i) {
            if (win1252::kFoldLower[h[i]] != first)
                continue;
            qsizetype j = 1;
            while (j < m && win1252::kFoldLower[h[i + j]] == needle[j])
                ++j;
            if (j == m)
                return i;
        }
        return -1;
    }

    // Greedy matching with one backtrack point per "%": linear in practice, never exponential.
    bool match(QByteArrayView s) const {
        size_t p = 0;
        qsizetype i = 0;
        size_t starP = std::string::npos;
        qsizetype starI = 0;
        while (i < s.size()) {
            if (p < m_items.size() && m_items[p].type == Item::Any) {
                starP = ++p;
                starI = i;
            } else if (p < m_items.size() &&
                       (m_items[p].type == Item::One || (m_items[p].type == Item::Literal && m_items[p].c == s[i]))) {
                ++p;
                ++i;
            } else if (starP != std::string::npos) {
                p = starP;
                i = ++starI;
            } else {
                return false;
            }
        }
        while (p < m_items.size() && m_items[p].type == Item::Any)
            ++p;
        return p == m_items.size();
    }

    int m_column;
    quint8 m_lengthBytes;
    bool m_ignoreCase;
    qsizetype m_prefix;
    std::vector<Item> m_items;
    bool m_substring = false;
    bool m_quickSubstring = false; // a needle without zero bytes, searched for in the stored bytes
    std::string m_needle;
};

// An OR of text tests that each read one field's stored bytes: the search window's keyword searches, twenty
// tests over ten fields. Evaluated in one loop without a call per test; a field's "=" test is left out where a
// LIKE on the same field already passes every text it passes, which leaves the value of the OR as it was.
class TextAnyNode final : public Node {
public:
    // One node for the items when every one is such a test; nullptr otherwise, with the items left as they were.
    static std::unique_ptr<Node> fuse(std::vector<std::unique_ptr<Node>>& items) {
        if (items.size() < 2)
            return nullptr;
        std::vector<Test> tests;
        for (const auto& item : items) {
            Test t;
            if (const auto* like = dynamic_cast<const LikeNode*>(item.get()); like && like->answersStored()) {
                t = {like->column(), like->lengthBytes(), like, nullptr};
            } else if (const auto* eq = dynamic_cast<const TextCompareNode*>(item.get()); eq && eq->answersStored()) {
                t = {eq->column(), eq->lengthBytes(), nullptr, eq};
            } else {
                return nullptr;
            }
            tests.push_back(t);
        }
        // Looked for only in chains of the length the program writes, so that a filter of many thousand tests
        // costs no quadratic work here.
        constexpr size_t kLongestPruned = 64;
        std::vector<Test> kept;
        for (const Test& t : tests) {
            bool ignoreCase = false;
            const QByteArray* constant =
                t.equal && tests.size() <= kLongestPruned ? t.equal->plainEquality(&ignoreCase) : nullptr;
            const bool implied =
                constant && std::any_of(tests.begin(), tests.end(), [&](const Test& other) {
                    return other.like && other.column == t.column && other.like->holdsEveryEqual(*constant, ignoreCase);
                });
            if (!implied)
                kept.push_back(t);
        }
        return std::unique_ptr<Node>(new TextAnyNode(std::move(items), std::move(kept)));
    }

    Truth eval(const RowRef& row) const override {
        for (const Test& t : m_tests) {
            bool passes;
            if (row.isNull(t.column))
                passes = t.like ? t.like->passesEmpty() : t.equal->passesEmpty();
            else {
                const QByteArrayView stored = storedText(row, t.column, t.lengthBytes);
                passes = t.like ? t.like->passesStored(stored) : t.equal->passesStored(stored);
            }
            if (passes)
                return {true, false};
        }
        return {false, false};
    }

private:
    struct Test {
        int column;
        quint8 lengthBytes;
        const LikeNode* like;
        const TextCompareNode* equal;
    };

    TextAnyNode(std::vector<std::unique_ptr<Node>> items, std::vector<Test> tests)
        : m_items(std::move(items))
        , m_tests(std::move(tests)) {}

    std::vector<std::unique_ptr<Node>> m_items; // own the tests
    std::vector<Test> m_tests;
};

class FieldCompareNode final : public Node {
public:
    FieldCompareNode(int left, int right, FieldKind kind, Op op, bool ignoreCase)
        : m_left(left)
        , m_right(right)
        , m_kind(kind)
        , m_op(op)
        , m_ignoreCase(ignoreCase) {}
    Truth eval(const RowRef& row) const override {
        const bool null = row.isNull(m_left) || row.isNull(m_right);
        switch (m_kind) {
        case FieldKind::Text: {
            const QByteArrayView a = row.isNull(m_left) ? QByteArrayView() : row.text(m_left);
            const QByteArrayView b = row.isNull(m_right) ? QByteArrayView() : row.text(m_right);
            return {applyCompareResult(m_op, GermanLocale::compareText(a, b, m_ignoreCase)), null};
        }
        case FieldKind::Money:
            return {applyOrder(m_op, row.isNull(m_left) ? 0.0 : row.float64(m_left),
                               row.isNull(m_right) ? 0.0 : row.float64(m_right)),
                    null};
        case FieldKind::Boolean:
            return {applyOrder(m_op, row.isNull(m_left) ? 0 : int(row.int16(m_left) != 0),
                               row.isNull(m_right) ? 0 : int(row.int16(m_right) != 0)),
                    null};
        default:
            return {applyOrder(m_op, row.isNull(m_left) ? 0 : row.int32(m_left),
                               row.isNull(m_right) ? 0 : row.int32(m_right)),
                    null};
        }
    }

private:
    int m_left, m_right;
    FieldKind m_kind;
    Op m_op;
    bool m_ignoreCase;
};

// ---------------------------------------------------------------------------------------------------
// Typing the syntax tree against the table

EngineError mismatch() {
    return EngineError(QStringLiteral("Fehlende Typübereinstimmung im Ausdruck"));
}
EngineError invalid() {
    return EngineError(QStringLiteral("Ungültiger Filterausdruck"));
}

class Binder {
public:
    Binder(const QList<ColumnDef>& columns, const QStringList& lookups, FilterOptions options)
        : m_columns(columns)
        , m_lookups(lookups)
        , m_options(options) {}

    std::unique_ptr<Node> bindCondition(const Ast& a) {
        switch (a.kind) {
        case Ast::Kind::And:
        case Ast::Kind::Or: {
            std::vector<std::unique_ptr<Node>> items;
            items.reserve(a.items.size());
            for (const AstPtr& item : a.items)
                items.push_back(bindCondition(*item));
            if (a.kind == Ast::Kind::And)
                return std::make_unique<ChainNode<true>>(std::move(items));
            if (auto fused = TextAnyNode::fuse(items))
                return fused;
            return std::make_unique<ChainNode<false>>(std::move(items));
        }
        case Ast::Kind::Not:
            return std::make_unique<NotNode>(bindCondition(*a.left));
        case Ast::Kind::IsNull:
            return bindIsNull(*a.left, a.flag);
        case Ast::Kind::Compare:
            return bindCompare(a);
        case Ast::Kind::Bool:
            return std::make_unique<ConstNode>(a.flag);
        case Ast::Kind::Field: {
            const int c = column(a.text);
            if (m_columns[c].kind != FieldKind::Boolean)
                throw invalid();
            return std::make_unique<BoolFieldNode>(c);
        }
        default:
            throw invalid();
        }
    }

private:
    int column(const QString& name) const {
        for (int i = 0; i < m_columns.size(); ++i) {
            if (m_columns[i].name.compare(name, Qt::CaseInsensitive) == 0)
                return i;
        }
        for (const QString& l : m_lookups) {
            if (l.compare(name, Qt::CaseInsensitive) == 0)
                throw EngineError(
                    QStringLiteral("Feld '%1' kann nicht in einem Filterausdruck verwendet werden").arg(name));
        }
        throw EngineError(QStringLiteral("Das Feld '%1' wurde nicht gefunden").arg(name));
    }

    std::unique_ptr<Node> bindIsNull(const Ast& operand, bool negated) {
        if (operand.kind == Ast::Kind::Field)
            return std::make_unique<IsNullNode>(column(operand.text), negated);
        if (operand.kind == Ast::Kind::Null)
            return std::make_unique<ConstNode>(!negated);
        if (operand.kind == Ast::Kind::Number || operand.kind == Ast::Kind::String || operand.kind == Ast::Kind::Bool)
            return std::make_unique<ConstNode>(negated);
        throw invalid();
    }

    static bool isConstant(const Ast& a) {
        return a.kind == Ast::Kind::Number || a.kind == Ast::Kind::String || a.kind == Ast::Kind::Bool ||
               a.kind == Ast::Kind::Null;
    }

    std::unique_ptr<Node> bindCompare(const Ast& a) {
        const Ast* l = a.left.get();
        const Ast* r = a.right.get();
        Op op = a.op;
        if (l->kind == Ast::Kind::Invalid || r->kind == Ast::Kind::Invalid)
            throw invalid();
        if (isConstant(*l) && r->kind == Ast::Kind::Field) {
            std::swap(l, r);
            op = mirror(op);
        }
        if (r->kind == Ast::Kind::Null || l->kind == Ast::Kind::Null) {
            if (op != Op::Eq && op != Op::Ne)
                throw EngineError(QStringLiteral("NULL ist nur mit '=' und '<>' erlaubt"));
            const Ast& other = r->kind == Ast::Kind::Null ? *l : *r;
            return bindIsNull(other, op == Op::Ne);
        }
        if (l->kind == Ast::Kind::Field && r->kind == Ast::Kind::Field)
            return bindFieldField(column(l->text), column(r->text), op);
        if (l->kind == Ast::Kind::Field && isConstant(*r))
            return bindFieldConstant(column(l->text), op, *r);
        if (isConstant(*l) && isConstant(*r))
            return bindConstantConstant(*l, op, *r);
        throw invalid();
    }

    std::unique_ptr<Node> bindFieldField(int left, int right, Op op) {
        FieldKind lk = m_columns[left].kind;
        FieldKind rk = m_columns[right].kind;
        if (op == Op::Like || (lk != rk && !(isNumeric(lk) && isNumeric(rk))))
            throw mismatch();
        if (lk != rk)
            throw mismatch(); // integer against money: not worth a mixed path, the program never writes it
        return std::make_unique<FieldCompareNode>(left, right, lk, op, ignoreCase());
    }

    static bool isNumeric(FieldKind k) { return k == FieldKind::Integer || k == FieldKind::Money; }

    bool ignoreCase() const { return m_options.testFlag(FilterOption::CaseInsensitive); }

    static std::optional<double> numberValue(const QString& text) {
        QString t = text;
        t.replace(QLatin1Char(','), QLatin1Char('.'));
        bool ok = false;
        const double v = t.toDouble(&ok);
        if (!ok || !std::isfinite(v))
            return std::nullopt;
        return v;
    }

    static qint64 wholeNumber(const QString& text) {
        bool ok = false;
        const qint64 v = text.trimmed().toLongLong(&ok, 10);
        if (ok) {
            if (v < std::numeric_limits<qint32>::min() || v > std::numeric_limits<qint32>::max())
                throw EngineError(QStringLiteral("Konstante außerhalb des zulässigen Wertebereichs"));
            return v;
        }
        const auto d = numberValue(text.trimmed());
        if (!d)
            throw mismatch();
        if (std::fabs(*d) > 2147483648.0)
            throw EngineError(QStringLiteral("Konstante außerhalb des zulässigen Wertebereichs"));
        if (*d != std::floor(*d))
            throw mismatch();
        return qint64(*d);
    }

    std::unique_ptr<Node> bindFieldConstant(int c, Op op, const Ast& k) {
        const ColumnDef& col = m_columns[c];
        if (op == Op::Like && col.kind != FieldKind::Text)
            throw mismatch();
        switch (col.kind) {
        case FieldKind::Integer:
            if (k.kind != Ast::Kind::Number && k.kind != Ast::Kind::String)
                throw mismatch();
            return std::make_unique<IntCompareNode>(c, col.kind, op, wholeNumber(k.text));
        case FieldKind::Money: {
            if (k.kind != Ast::Kind::Number && k.kind != Ast::Kind::String)
                throw mismatch();
            const auto v = numberValue(k.text.trimmed());
            if (!v)
                throw mismatch();
            return std::make_unique<MoneyCompareNode>(c, op, *v);
        }
        case FieldKind::Date: {
            if (k.kind != Ast::Kind::String)
                throw mismatch();
            const auto d = GermanLocale::parseDate(k.text);
            if (!d)
                throw EngineError(QStringLiteral("'%1' ist kein gültiges Datum").arg(k.text));
            return std::make_unique<IntCompareNode>(c, col.kind, op, dayFromDate(*d));
        }
        case FieldKind::Boolean: {
            bool v;
            if (k.kind == Ast::Kind::Bool)
                v = k.flag;
            else if (k.kind == Ast::Kind::String && k.text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
                v = true;
            else if (k.kind == Ast::Kind::String && k.text.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
                v = false;
            else
                throw mismatch();
            return std::make_unique<IntCompareNode>(c, col.kind, op, v ? 1 : 0);
        }
        case FieldKind::Text: {
            if (k.kind != Ast::Kind::String && k.kind != Ast::Kind::Number)
                throw mismatch();
            FilterExpr::TextConstant constant;
            if (op == Op::Eq || op == Op::Ne || op == Op::Like) {
                constant = FilterExpr::textConstant(k.text, m_options);
            } else {
                constant.bytes = win1252::encode(k.text).left(FilterExpr::kMaxTextConstant);
            }
            const qsizetype prefix = constant.prefix ? constant.bytes.size() : 0;
            if (op == Op::Like)
                return std::make_unique<LikeNode>(c, col.lengthBytes, constant.bytes, ignoreCase(), prefix);
            return std::make_unique<TextCompareNode>(c, col.lengthBytes, op, constant.bytes, ignoreCase(), prefix);
        }
        }
        throw invalid();
    }

public:
    // The right-hand operand of "number field = ..." when only the operand is given; nullopt for NULL.
    std::optional<double> numberOperand(const Ast& k, FieldKind kind) {
        switch (k.kind) {
        case Ast::Kind::Null:
            return std::nullopt;
        case Ast::Kind::Number:
        case Ast::Kind::String:
            if (kind == FieldKind::Integer)
                return double(wholeNumber(k.text));
            if (const auto v = numberValue(k.text.trimmed()))
                return *v;
            throw mismatch();
        case Ast::Kind::Field:
            column(k.text); // an unknown or computed field is reported as such
            throw mismatch();
        case Ast::Kind::Bool:
            throw mismatch();
        default:
            throw invalid();
        }
    }

private:
    std::unique_ptr<Node> bindConstantConstant(const Ast& l, Op op, const Ast& r) {
        if (op == Op::Like)
            throw mismatch();
        if (l.kind == Ast::Kind::Number && r.kind == Ast::Kind::Number) {
            const auto a = numberValue(l.text);
            const auto b = numberValue(r.text);
            if (!a || !b)
                throw mismatch();
            return std::make_unique<ConstNode>(applyOrder(op, *a, *b));
        }
        if (l.kind == Ast::Kind::String && r.kind == Ast::Kind::String) {
            const int c = GermanLocale::compareText(win1252::encode(l.text), win1252::encode(r.text), ignoreCase());
            return std::make_unique<ConstNode>(applyCompareResult(op, c));
        }
        if (l.kind == Ast::Kind::Bool && r.kind == Ast::Kind::Bool)
            return std::make_unique<ConstNode>(applyOrder(op, int(l.flag), int(r.flag)));
        throw mismatch();
    }

    const QList<ColumnDef>& m_columns;
    const QStringList& m_lookups;
    FilterOptions m_options;
};

} // namespace

FilterExpr::~FilterExpr() = default;

std::unique_ptr<FilterExpr> FilterExpr::parse(const QList<ColumnDef>& columns, const QStringList& lookupFields,
                                              const QString& text, FilterOptions options) {
    Lexer lexer(text);
    Parser parser(lexer);
    AstPtr ast = parser.parseAll();
    Binder binder(columns, lookupFields, options);
    std::unique_ptr<FilterExpr> e(new FilterExpr);
    e->m_root = binder.bindCondition(*ast);
    return e;
}

bool FilterExpr::passes(const RowRef& row) const {
    const Truth t = m_root->eval(row);
    return t.value && !t.unknown;
}

QString FilterExpr::quoted(const QString& text) {
    QString q = text;
    q.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QLatin1Char('\'') + q + QLatin1Char('\'');
}

FilterExpr::TextConstant FilterExpr::textConstant(const QString& text, FilterOptions options) {
    TextConstant c;
    c.bytes = win1252::encode(text).left(kMaxTextConstant);
    if (!options.testFlag(FilterOption::NoPartialCompare) && c.bytes.size() >= 2 && c.bytes.endsWith('*')) {
        c.bytes.chop(1);
        c.prefix = true;
    }
    return c;
}

std::optional<double> FilterExpr::numberConstant(const QList<ColumnDef>& columns, const QStringList& lookupFields,
                                                 const QString& text, FieldKind kind) {
    Lexer lexer(text);
    Parser parser(lexer);
    const AstPtr operand = parser.parseOperand();
    Binder binder(columns, lookupFields, {});
    return binder.numberOperand(*operand, kind);
}

} // namespace lesaro
