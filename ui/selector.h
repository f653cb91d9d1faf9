#pragma once
// CSS selectors over the page model:
//
//   list     := complex ( "," complex )*
//   complex  := compound ( combinator compound )*
//   combinator := whitespace | ">" | "+" | "~"
//   compound := ( type | "*" )? ( "#" id | "." class | "[" attr ( op value )? "]" | ":" pseudo )*
//   op       := "=" | "~=" | "|=" | "^=" | "$=" | "*="
//
// Attribute names compare without regard to case, values exactly. State pseudo-classes
// (:checked, :current, :focus, :hover, :active, :disabled, :anchor, :popup, :owns-popup, ...)
// test the element's state bits; :first-child, :last-child, :only-child, :root and :empty
// its place in the tree. An unknown pseudo-class matches nothing.

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vandrel::ui {

class Element;

// (ids, classes + attributes + pseudo-classes, types), compared in that order.
using Specificity = std::array<int, 3>;

class Selector {
  public:
    struct AttrTest {
        enum class Op { Exists, Equals, Includes, DashMatch, Prefix, Suffix, Substring };
        std::string name;
        Op op = Op::Exists;
        std::string value;
    };
    struct Compound {
        std::string tag;  // empty: any
        std::vector<std::string> ids;
        std::vector<std::string> classes;
        std::vector<AttrTest> attrs;
        std::vector<std::string> pseudos;
    };
    struct Complex {
        std::vector<Compound> parts;
        std::vector<char> combinators;  // combinators[i] joins parts[i] and parts[i + 1]
    };

    // Nothing when the text is not a selector.
    static std::optional<Selector> parse(std::string_view text);

    static Selector single(Complex complex);

    bool matches(const Element& element) const;
    const std::vector<Complex>& alternatives() const { return list_; }
    static Specificity specificity(const Complex& complex);
    static bool matchesComplex(const Complex& complex, const Element& element);

  private:
    std::vector<Complex> list_;
};

}  // namespace vandrel::ui
