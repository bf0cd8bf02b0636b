#include "engine/local/uExecutableLineFiller.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "engine/CompilerTestSupport.h"
#include "engine/local/uStatementInterpreter.h"

namespace engine {
namespace {

std::shared_ptr<IDebugInfo> At(int begin, int end = -1) {
    return std::make_shared<TDebugInfo>(begin, end < 0 ? begin : end);
}

std::vector<int> Items(const core::TIntegerList& list) {
    std::vector<int> items;
    for (int i = 0; i < list.Count(); ++i)
        items.push_back(list.Get(i));
    return items;
}

// Trees built by hand, so that the filler is tested apart from the compiler.
class ExecutableLineFillerTest : public CompilerTest {
protected:
    std::shared_ptr<IExpression> True() const {
        return std::make_shared<TLiteral>(program.ValueFactory().CreateBoolean(true));
    }

    std::shared_ptr<IStatement> Simple(int line) const {
        return std::make_shared<TDOStatement>(At(line), True());
    }

    static std::shared_ptr<ICompositeStatement>
    List(const std::vector<std::shared_ptr<IStatement>>& statements) {
        auto list = std::make_shared<TCompositeStatement>();
        for (const auto& statement : statements)
            list->Add(statement);
        return list;
    }

    std::shared_ptr<IBlock> Block(int begin, int end,
                                  const std::vector<std::shared_ptr<IStatement>>& statements) {
        auto block = std::make_shared<TBlock>(At(begin, end), nullptr, "", &program.IdentifierManager());
        for (const auto& statement : statements)
            block->GetStatements()->Add(statement);
        return block;
    }

    std::vector<int> Lines(const std::shared_ptr<IStatement>& statement) {
        core::TIntegerList lines;
        TExecutableLineFiller filler(lines);
        statement->Accept(filler);
        return Items(lines);
    }
};

TEST_F(ExecutableLineFillerTest, BlockAddsItsBeginAndEndAroundItsStatements) {
    // 1 BEGIN / 2 DECLARE / 3 WHILE / 4 SET / 5 END WHILE / 6 END, inside a root block without position.
    auto loop = std::make_shared<TWhile>(At(3, 5), "", List({Simple(4)}), True());
    auto root =
        std::make_shared<TBlock>(std::make_shared<TDebugInfo>(), nullptr, "", &program.IdentifierManager());
    root->GetStatements()->Add(Block(1, 6, {loop}));
    EXPECT_EQ(Lines(root), (std::vector<int>{1, 3, 4, 6}));
    EXPECT_EQ(Lines(Block(1, 3, {})), (std::vector<int>{1, 3}));
}

TEST_F(ExecutableLineFillerTest, LinesAreKeptOnceInTheOrderFound) {
    EXPECT_EQ(Lines(Block(1, 4, {Simple(3), Simple(2), Simple(2), Simple(3)})),
              (std::vector<int>{1, 3, 2, 4}));
}

TEST_F(ExecutableLineFillerTest, StatementsWithoutPositionAddNothing) {
    auto multi = std::make_shared<TMultiAssignation>(
        At(2),
        std::make_shared<TVariable>("x", core::NullDataValue(),
                                    program.ValueFactory().CreateVariableValue({})),
        True());
    EXPECT_EQ(Lines(Block(1, 3, {List({multi}), Simple(-1), Simple(0)})), (std::vector<int>{1, 2, 3}));
}

TEST_F(ExecutableLineFillerTest, ConditionAddsItsLineThenBranchesElseThenElseIfs) {
    // 2 IF / 3 then / 4 ELSEIF / 5 branch / 6 ELSE / 7 else / 8 END IF
    auto chain = std::make_shared<TConditionChain>(At(2, 8), True(), List({Simple(3)}), List({Simple(7)}));
    chain->AddItem(std::make_shared<TConditionChainItem>(True(), List({Simple(5)})));
    EXPECT_EQ(Lines(chain), (std::vector<int>{2, 3, 7, 5}));
    auto plain = std::make_shared<TCondition>(At(2, 4), True(), List({Simple(3)}), List({}));
    EXPECT_EQ(Lines(plain), (std::vector<int>{2, 3}));
}

TEST_F(ExecutableLineFillerTest, CaseAddsItsLineThenEachBranchThenElse) {
    auto withElse = std::make_shared<TCase>(At(2, 9), nullptr, List({Simple(8)}), List({Simple(4)}), True());
    withElse->AddItem(True(), List({Simple(6)}));
    EXPECT_EQ(Lines(withElse), (std::vector<int>{2, 4, 6, 8}));
    auto withoutElse = std::make_shared<TCase>(At(2, 5), True(), nullptr, List({Simple(3)}), True());
    EXPECT_EQ(Lines(withoutElse), (std::vector<int>{2, 3}));
}

TEST_F(ExecutableLineFillerTest, LoopsAddTheirLineThenTheirBody) {
    auto loop = std::make_shared<TLoop>(At(2, 4), "l");
    loop->GetStatements()->Add(Simple(3));
    EXPECT_EQ(Lines(loop), (std::vector<int>{2, 3}));
    // A REPEAT's position is its UNTIL line, found before the body.
    auto repeat = std::make_shared<TRepeat>(At(5), "", True());
    repeat->GetStatements()->Add(Simple(3));
    EXPECT_EQ(Lines(repeat), (std::vector<int>{5, 3}));
}

} // namespace
} // namespace engine
