#include "RoutineCorpus.h"

#include <algorithm>
#include <cmath>

#include "platform/rtl/Format.h"

namespace bench {

namespace {

// Each block of statements uses `i` for its own labels and names.
std::string Sets(int i) {
    return rtl::Format("  SET v_a = v_a + %d, v_b = CONCAT(v_b, '%d');\n"
                       "  SET v_c = v_a * 2 - v_c;\n",
                       i, i);
}

std::string IfChain(int i) {
    return rtl::Format("  IF v_a > %d THEN\n"
                       "    SET v_c = v_c + 1;\n"
                       "  ELSEIF v_a = %d OR v_b LIKE 'x%%' THEN\n"
                       "    SET v_b = 'equal';\n"
                       "  ELSE\n"
                       "    SET v_c = v_c - 1;\n"
                       "  END IF;\n",
                       i, i);
}

std::string While(int i) {
    return rtl::Format("  loop_%d: WHILE v_n < %d DO\n"
                       "    SET v_n = v_n + 1;\n"
                       "    IF v_n MOD 7 = 0 THEN\n"
                       "      ITERATE loop_%d;\n"
                       "    END IF;\n"
                       "  END WHILE loop_%d;\n",
                       i, i, i, i);
}

std::string HandlerBlock(int i) {
    return rtl::Format(
        "  blk_%d: BEGIN\n"
        "    DECLARE v_x%d INT DEFAULT %d;\n"
        "    DECLARE CONTINUE HANDLER FOR SQLSTATE '23000', 1062 SET v_c = -1;\n"
        "    DECLARE EXIT HANDLER FOR SQLEXCEPTION\n"
        "    BEGIN\n"
        "      SET v_b = 'failed';\n"
        "    END;\n"
        "    INSERT INTO bench_items (id, order_id, name, qty) VALUES (v_x%d, v_a, v_b, v_c);\n"
        "  END blk_%d;\n",
        i, i, i, i, i);
}

std::string CursorLoop(int i) {
    return rtl::Format("  cur_%d: BEGIN\n"
                       "    DECLARE v_done%d INT DEFAULT 0;\n"
                       "    DECLARE v_q%d INT;\n"
                       "    DECLARE c_%d CURSOR FOR SELECT qty FROM bench_items WHERE id > %d ORDER BY id;\n"
                       "    DECLARE CONTINUE HANDLER FOR NOT FOUND SET v_done%d = 1;\n"
                       "    OPEN c_%d;\n"
                       "    fetch_%d: LOOP\n"
                       "      FETCH c_%d INTO v_q%d;\n"
                       "      IF v_done%d = 1 THEN\n"
                       "        LEAVE fetch_%d;\n"
                       "      END IF;\n"
                       "      SET v_a = v_a + IFNULL(v_q%d, 0);\n"
                       "    END LOOP fetch_%d;\n"
                       "    CLOSE c_%d;\n"
                       "  END cur_%d;\n",
                       i, i, i, i, i, i, i, i, i, i, i, i, i, i, i, i);
}

std::string CaseChain(int i) {
    std::string text = "  CASE v_a MOD 13\n";
    for (int k = 0; k < 12; ++k)
        text += rtl::Format("    WHEN %d THEN SET v_b = 'branch %d-%d';\n", k, i, k);
    text += "    ELSE SET v_b = 'other';\n  END CASE;\n";
    text += "  SET v_c = CASE WHEN v_a < 10 THEN 1 WHEN v_a < 100 THEN 2 WHEN v_a < 1000 THEN 3\n"
            "                 WHEN v_a < 10000 THEN 4 ELSE 5 END;\n";
    return text;
}

std::string JoinSelect(int i) {
    return rtl::Format(
        "  SELECT COUNT(*), SUM(i.qty * p.price), MAX(o.created)\n"
        "    INTO v_n, v_d, v_t\n"
        "    FROM bench_orders o\n"
        "    JOIN bench_items i ON i.order_id = o.id\n"
        "    LEFT JOIN bench_prices p ON p.item_id = i.id AND p.valid_from <= o.created\n"
        "    WHERE o.customer_id = v_a + %d\n"
        "      AND o.status IN ('open', 'paid', 'shipped')\n"
        "      AND i.qty BETWEEN 1 AND 100\n"
        "      AND EXISTS (SELECT 1 FROM bench_customers c WHERE c.id = o.customer_id AND c.active = 1)\n"
        "    GROUP BY o.customer_id\n"
        "    HAVING COUNT(*) > 0\n"
        "    ORDER BY o.customer_id\n"
        "    LIMIT 1;\n",
        i);
}

std::string Changes(int i) {
    return rtl::Format(
        "  UPDATE bench_items SET qty = qty + 1, name = CONCAT(name, '-', v_a) WHERE id = v_a + %d;\n"
        "  DELETE FROM bench_items WHERE qty < 0 AND id <> v_c;\n",
        i);
}

std::string (*const kShapes[])(int) = {Sets,       IfChain,   While,      HandlerBlock,
                                       CursorLoop, CaseChain, JoinSelect, Changes};

const char* const kDeclarations = "  DECLARE v_a, v_c, v_n INT DEFAULT 0;\n"
                                  "  DECLARE v_b VARCHAR(200) DEFAULT '';\n"
                                  "  DECLARE v_d DECIMAL(14,2);\n"
                                  "  DECLARE v_t DATETIME;\n";

// The declarations and then statement shapes from `first` on, for as long as `more` says.
template <class TMore>
std::string Body(int first, const TMore& more) {
    std::string body = kDeclarations;
    for (int shape = first; more(body); ++shape)
        body += kShapes[shape % std::size(kShapes)](shape);
    return body;
}

std::string Wrap(const TCorpusRoutine& routine, const std::string& body) {
    return routine.function ? rtl::Format("CREATE FUNCTION %s(p_id INT, p_name VARCHAR(100)) RETURNS INT\n"
                                          "MODIFIES SQL DATA\nBEGIN\n%s  RETURN v_a;\nEND",
                                          routine.name, body)
                            : rtl::Format("CREATE PROCEDURE %s(IN p_id INT, OUT p_total DECIMAL(12,2))\n"
                                          "MODIFIES SQL DATA\nBEGIN\n%s  SET p_total = v_d;\nEND",
                                          routine.name, body);
}

TCorpusRoutine Routine(int index, int lines) {
    TCorpusRoutine routine;
    routine.function = index % 3 == 2;
    routine.name = rtl::Format("bench_%s_%d", routine.function ? "f" : "p", index);
    if (lines < 12) {
        // The smallest shape: a one-expression function or procedure.
        routine.text =
            routine.function
                ? rtl::Format("CREATE FUNCTION %s(p_x INT) RETURNS INT\nDETERMINISTIC\nBEGIN\n"
                              "  RETURN p_x * %d;\nEND",
                              routine.name, index)
                : rtl::Format("CREATE PROCEDURE %s(INOUT p_x INT)\nBEGIN\n  SET p_x = p_x + %d;\nEND",
                              routine.name, index);
        return routine;
    }
    routine.text =
        Wrap(routine, Body(index, [&](const std::string& body) { return LineCount(body) < lines - 4; }));
    return routine;
}

} // namespace

std::vector<TCorpusRoutine> GenerateCorpus(int count, int maxLines) {
    std::vector<TCorpusRoutine> corpus;
    for (int i = 0; i < count; ++i) {
        const double share = count > 1 ? static_cast<double>(i) / (count - 1) : 0;
        corpus.push_back(Routine(i, static_cast<int>(5 * std::pow(maxLines / 5.0, share))));
    }
    return corpus;
}

TCorpusRoutine RoutineOfSize(const std::string& name, size_t bytes) {
    TCorpusRoutine routine{name, false, ""};
    routine.text = Wrap(routine, Body(0, [&](const std::string& body) { return body.size() < bytes; }));
    return routine;
}

int LineCount(const std::string& text) {
    return static_cast<int>(std::count(text.begin(), text.end(), '\n')) + 1;
}

int StatementCount(const std::string& text) {
    return static_cast<int>(std::count(text.begin(), text.end(), ';')) + 1;
}

} // namespace bench
