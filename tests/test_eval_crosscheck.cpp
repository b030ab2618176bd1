// The evaluation and the exchange evaluation against deliberately plain
// second computations: the mailbox board walked square by square and ray by
// ray, no attack tables, no bitboards. Positions come from random legal games
// and from random placements of pieces.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "board/board.h"
#include "eval/eval.h"
#include "shell/shell.h"
#include "test_util.h"

namespace {

constexpr int value_of[7] = {0, 100, 300, 300, 500, 900, 4500};
constexpr int diagonal_steps[4][2] = {{1, 1}, {1, -1}, {-1, 1}, {-1, -1}};
constexpr int straight_steps[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};

int kind(int code) { return code < 0 ? -code : code; }
bool inside(int rank, int file) { return rank >= 0 && rank < 8 && file >= 0 && file < 8; }
int at(const Position& p, int rank, int file) { return p.board[rank * 8 + file]; }
bool in_u(const Position& p, int rank, int file) { return (p.unmoved >> (rank * 8 + file)) & 1; }

// ---- pawn structure ----

// A pawn of the given code on the file, between the ranks (inclusive)?
bool pawn_on(const Position& p, int code, int file, int lo, int hi) {
    if (file < 0 || file > 7) return false;
    for (int r = std::max(lo, 0); r <= std::min(hi, 7); r++)
        if (at(p, r, file) == code) return true;
    return false;
}

int plain_pawns(const Position& p) {
    int score = 0;
    for (int s = 0; s < 64; s++) {
        const int code = p.board[s];
        if (kind(code) != PAWN) continue;
        const int sign = code > 0 ? 1 : -1, r = s / 8, f = s % 8;
        const int advanced = code > 0 ? r : 7 - r;                      // ranks from its own side
        const int lo = code > 0 ? r + 1 : 0, hi = code > 0 ? 7 : r - 1; // the ranks ahead
        int term = advanced == 6 ? 10 : 0;
        for (const int df : {-1, 1})
            if (inside(r + sign, f + df) && at(p, r + sign, f + df) == code) term += 2;
        const bool passed = !pawn_on(p, -code, f - 1, lo, hi) && !pawn_on(p, -code, f, lo, hi) &&
                            !pawn_on(p, -code, f + 1, lo, hi);
        if (pawn_on(p, code, f, lo, hi))
            term -= 3;
        else
            term += passed ? 6 * advanced : advanced;
        if (!pawn_on(p, code, f - 1, 0, 7) && !pawn_on(p, code, f + 1, 0, 7)) term -= 2;
        score += sign * term;
    }
    return score;
}

// ---- static evaluation ----

// Squares a slider on (r, f) reaches along the given steps, the first
// occupied square of each ray included. Calls visit(rank, file).
template <typename Visit>
void walk(const Position& p, int r, int f, const int (*steps)[2], Visit visit) {
    for (int d = 0; d < 4; d++) {
        int rr = r + steps[d][0], ff = f + steps[d][1];
        while (inside(rr, ff)) {
            visit(rr, ff);
            if (at(p, rr, ff)) break;
            rr += steps[d][0];
            ff += steps[d][1];
        }
    }
}

bool slider_sees(const Position& p, int r, int f, const int (*steps)[2], int tr, int tf) {
    bool seen = false;
    walk(p, r, f, steps, [&](int rr, int ff) { seen = seen || (rr == tr && ff == tf); });
    return seen;
}

int plain_evaluate(const Position& p) {
    int white_material = 0, black_material = 0, pawns = 0;
    bool white_bishop = false, black_bishop = false;
    for (int s = 0; s < 64; s++) {
        const int code = p.board[s];
        if (!code || kind(code) == KING) continue;
        (code > 0 ? white_material : black_material) += value_of[kind(code)];
        pawns += kind(code) == PAWN;
        if (code == BISHOP) white_bishop = true;
        if (code == -BISHOP) black_bishop = true;
    }
    if (!pawns && white_material <= 300 && black_material <= 300)
        return p.white_to_move == engine_colour ? -30 : 30;

    int score = white_material - black_material;
    const int centre[4][2] = {{3, 3}, {3, 4}, {4, 3}, {4, 4}};
    for (const auto& c : centre) {
        const int code = at(p, c[0], c[1]);
        if (kind(code) == PAWN) score += code > 0 ? 5 : -5;
        if (kind(code) == KNIGHT) score += code > 0 ? 7 : -7;
    }

    for (int r = 0; r < 8; r++) {
        for (int f = 0; f < 8; f++) {
            const int code = at(p, r, f);
            const int k = kind(code);
            if (k != BISHOP && k != ROOK && k != QUEEN) continue;
            const int sign = code > 0 ? 1 : -1;
            // centre control
            for (const auto& c : centre) {
                const bool diagonal =
                    (k == BISHOP || k == QUEEN) && slider_sees(p, r, f, diagonal_steps, c[0], c[1]);
                const bool straight =
                    (k == ROOK || k == QUEEN) && slider_sees(p, r, f, straight_steps, c[0], c[1]);
                if (diagonal || straight) score += 4 * sign;
            }
            // mobility
            if (k == BISHOP) walk(p, r, f, diagonal_steps, [&](int, int) { score += sign; });
            if (k == ROOK) {
                walk(p, r, f, straight_steps, [&](int, int) { score += sign; });
                // co-operation: the first piece on each ray
                walk(p, r, f, straight_steps, [&](int rr, int ff) {
                    const int seen = at(p, rr, ff);
                    if (seen == sign * ROOK || seen == sign * QUEEN) score += 8 * sign;
                });
                // back rank, pawns diagonally in front
                const int home = code > 0 ? 0 : 7, ahead = code > 0 ? 1 : 6;
                if (r == home && (code > 0 ? black_bishop : white_bishop)) {
                    for (const int df : {-1, 1})
                        if (inside(ahead, f + df) && at(p, ahead, f + df) == sign * PAWN)
                            score += 4 * sign;
                }
            }
        }
    }

    // king shelter and wing placement
    for (const int white : {1, 0}) {
        const int king = white ? p.white_king_square : p.black_king_square;
        const int r = king / 8, f = king % 8, home = white ? 0 : 7, ahead = white ? 1 : 6;
        const int sign = white ? 1 : -1;
        if (r == home && f != 3 && f != 4) {
            score += 10 * sign;
            for (int df = -1; df <= 1; df++)
                if (inside(ahead, f + df) && at(p, ahead, f + df) == sign * PAWN) score += 8 * sign;
        }
    }

    // early queen and development
    for (const int white : {1, 0}) {
        const int home = white ? 0 : 7, sign = white ? 1 : -1;
        int minors_home = 0;
        for (const int f : {1, 2, 5, 6}) minors_home += in_u(p, home, f);
        const bool queen_home = in_u(p, home, 3);
        if (minors_home == 4 && !queen_home) score -= 15 * sign;
        if (minors_home > 0 && !queen_home) score -= 15 * sign;
        score += 7 * (4 - minors_home) * sign;
    }

    score += 15 * (p.castle_white_short + p.castle_white_long);
    score -= 15 * (p.castle_black_short + p.castle_black_long);
    score += plain_pawns(p);
    return p.white_to_move ? score : -score;
}

// ---- exchange on one square, by brute force ----

// Can the piece on s capture on target, looking through squares already
// vacated by earlier captures (the occupancy itself is never changed)?
bool reaches(const Position& p, int s, int target, const bool* vacated) {
    const int code = p.board[s];
    const int r = s / 8, f = s % 8, tr = target / 8, tf = target % 8;
    const int dr = tr - r, df = tf - f;
    const int adr = std::abs(dr), adf = std::abs(df);
    switch (kind(code)) {
    case PAWN:
        return adf == 1 && dr == (code > 0 ? 1 : -1);
    case KNIGHT:
        return (adr == 1 && adf == 2) || (adr == 2 && adf == 1);
    case KING:
        return std::max(adr, adf) == 1;
    default:
        break;
    }
    const bool diagonal = adr == adf && adr > 0;
    const bool straight = (dr == 0) != (df == 0);
    if (!(diagonal && kind(code) != ROOK) && !(straight && kind(code) != BISHOP)) return false;
    const int sr = (dr > 0) - (dr < 0), sf = (df > 0) - (df < 0);
    for (int rr = r + sr, ff = f + sf; rr != tr || ff != tf; rr += sr, ff += sf) {
        const int q = rr * 8 + ff;
        if (p.board[q] && !vacated[q]) return false;
    }
    return true;
}

int next_capturer(const Position& p, int target, int white, const bool* vacated) {
    for (const int k : {PAWN, KNIGHT, BISHOP, ROOK, QUEEN, KING})
        for (int s = 63; s >= 0; s--)
            if (s != target && !vacated[s] && p.board[s] == (white ? k : -k) &&
                reaches(p, s, target, vacated))
                return s;
    return -1;
}

// Best material gain for `side` from capturing a piece worth `standing` on
// target, or 0 when it does better to leave it.
int best_reply(const Position& p, int target, int side, int standing, bool* vacated) {
    const int s = next_capturer(p, target, side, vacated);
    if (s < 0) return 0;
    vacated[s] = true;
    const int rest = best_reply(p, target, 1 - side, value_of[kind(p.board[s])], vacated);
    return std::max(0, standing - rest);
}

int plain_tradeoff(const Position& p, Move m) {
    bool vacated[64] = {};
    vacated[move_from(m)] = true;
    int gain = value_of[move_captured(m)];
    int standing = value_of[move_piece(m)];
    if (move_promotion(m)) {
        gain += value_of[move_promotion(m)] - value_of[move_piece(m)];
        standing = value_of[move_promotion(m)];
    }
    return gain - best_reply(p, move_to(m), 1 - p.white_to_move, standing, vacated);
}

// ---- positions ----

std::string fen_of(const Position& p) {
    std::string text;
    for (int r = 7; r >= 0; r--) {
        for (int f = 0, empty = 0; f < 8; f++) {
            const int code = p.board[r * 8 + f];
            if (code) {
                if (empty) text += char('0' + empty);
                text += "KQRNBP.pbnrqk"[6 - code];
            }
            empty = code ? 0 : empty + 1;
            if (f == 7 && empty) text += char('0' + empty);
        }
        if (r) text += '/';
    }
    std::string castles;
    if (p.castle_white_short) castles += 'K';
    if (p.castle_white_long) castles += 'Q';
    if (p.castle_black_short) castles += 'k';
    if (p.castle_black_long) castles += 'q';
    return text + (p.white_to_move ? " w " : " b ") + (castles.empty() ? "-" : castles) + " - 0 1";
}

// A random placement: kings apart, other pieces anywhere sensible, every
// castling right the placement allows half of the time.
bool random_placement(std::mt19937& rng, Position& pos) {
    auto below = [&rng](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
    Position scratch;
    std::memset(&scratch, 0, sizeof scratch);
    int* board = scratch.board;
    const int wk = below(64);
    int bk;
    do bk = below(64);
    while (std::max(std::abs(bk / 8 - wk / 8), std::abs(bk % 8 - wk % 8)) < 2);
    board[wk] = KING;
    board[bk] = -KING;
    const int density = 4 + below(25);
    const int kinds[] = {PAWN, PAWN, PAWN, PAWN, BISHOP, KNIGHT, ROOK, QUEEN};
    int count[2] = {1, 1};
    for (int s = 0; s < 64; s++) {
        if (board[s] || below(64) >= density) continue;
        int k = kinds[below(8)];
        if (k == PAWN && (s < 8 || s >= 56)) k = ROOK;
        const int white = below(2);
        if (count[white] == 16) continue;
        count[white]++;
        board[s] = white ? k : -k;
    }
    scratch.white_to_move = below(2);
    const bool rights = below(2);
    scratch.castle_white_short = rights && board[4] == KING && board[7] == ROOK;
    scratch.castle_white_long = rights && board[4] == KING && board[0] == ROOK;
    scratch.castle_black_short = rights && board[60] == -KING && board[63] == -ROOK;
    scratch.castle_black_long = rights && board[60] == -KING && board[56] == -ROOK;
    return setup_from_fen(pos, fen_of(scratch).c_str(), test_keys) != 0;
}

class EvalCrossCheck : public ::testing::Test {
  protected:
    void SetUp() override { clear_pawn_hash(); }
    void TearDown() override { clear_pawn_hash(); }

    // Full evaluation twice (pawn entry recomputed, then served from the
    // cache) against the plain one; the early exit against its definition.
    void check_evaluation(const Position& pos, std::mt19937& rng) {
        PawnHashEntry& entry = pawn_hash[pos.pawn_key & (PAWN_HASH_SIZE - 1)];
        entry.key = ~pos.pawn_key; // force a fresh computation
        const int expected = plain_evaluate(pos);
        ASSERT_EQ(evaluate(pos, -20000, 20000), expected) << fen_of(pos);
        ASSERT_EQ(evaluate(pos, -20000, 20000), expected) << "from the cache " << fen_of(pos);
        ASSERT_EQ(evaluate_pawns(pos), plain_pawns(pos)) << fen_of(pos);

        const bool draw = !(pos.white_pawns | pos.black_pawns) && pos.white_material <= 300 &&
                          pos.black_material <= 300;
        const int m = pos.white_material - pos.black_material;
        const int s = pos.white_to_move ? m : -m;
        std::uniform_int_distribution<int> offset(-250, 250);
        for (int i = 0; i < 4; i++) {
            const int alpha = s + offset(rng);
            const int beta = alpha + std::uniform_int_distribution<int>(1, 150)(rng);
            int want = expected;
            if (!draw && s < alpha - 100)
                want = alpha;
            else if (!draw && s > beta + 100)
                want = beta;
            ASSERT_EQ(evaluate(pos, alpha, beta), want)
                << fen_of(pos) << " window " << alpha << " " << beta;
        }
        positions_++;
    }

    void check_exchanges(const Position& pos) {
        Move list[MAX_MOVES];
        const Move* end = generate_quiet(pos, generate_captures(pos, list));
        for (const Move* m = list; m != end; m++) {
            char text[16];
            ASSERT_EQ(tradeoff(pos, *m), plain_tradeoff(pos, *m))
                << fen_of(pos) << " " << move_text(*m, text);
            exchanges_++;
            if (move_captured(*m)) captures_++;
        }
    }

    int positions_ = 0;
    long exchanges_ = 0;
    long captures_ = 0;
    const SavedGlobals saved;
};

} // namespace

TEST_F(EvalCrossCheck, PlainComputationAgreesOnHandPositions) {
    // The second computation itself, against a few known answers.
    engine_colour = 0;
    Position pos = start();
    EXPECT_EQ(plain_evaluate(pos), 0);
    ASSERT_TRUE(setup_from_fen(pos, "4k3/8/8/8/8/8/4K3/R6R w - - 0 1", test_keys));
    EXPECT_EQ(plain_evaluate(pos), 1044);
    ASSERT_TRUE(setup_from_fen(pos, "4r1k1/4r3/8/8/4R3/8/8/4R1K1 w - - 0 1", test_keys));
    EXPECT_EQ(plain_tradeoff(pos, parse_move(pos, "e4e7")), 500);
    ASSERT_TRUE(setup_from_fen(pos, "4k3/P7/8/8/8/8/8/4K3 w - - 0 1", test_keys));
    EXPECT_EQ(plain_pawns(pos), 44);
}

TEST_F(EvalCrossCheck, RandomGames) {
    std::mt19937 rng(20240611);
    int games = 0;
    while (positions_ < 3000) {
        engine_colour = games & 1;
        Position pos = start();
        for (int ply = 0; ply < 200; ply++) {
            ASSERT_NO_FATAL_FAILURE(check_evaluation(pos, rng));
            ASSERT_NO_FATAL_FAILURE(check_exchanges(pos));
            Move list[MAX_MOVES];
            const Move* end = legal_moves(pos, list);
            if (end == list) break;
            const int n = int(end - list);
            make_move(pos, list[std::uniform_int_distribution<int>(0, n - 1)(rng)]);
        }
        games++;
    }
    EXPECT_GT(captures_, 1000);
    std::printf("[          ] %d positions from %d games, %ld exchanges (%ld captures)\n",
                positions_, games, exchanges_, captures_);
}

TEST_F(EvalCrossCheck, RandomPlacements) {
    std::mt19937 rng(77);
    while (positions_ < 3000) {
        Position pos;
        if (!random_placement(rng, pos)) continue;
        engine_colour = positions_ & 1;
        ASSERT_NO_FATAL_FAILURE(check_evaluation(pos, rng));
        ASSERT_NO_FATAL_FAILURE(check_exchanges(pos));
    }
    EXPECT_GT(captures_, 3000);
    std::printf("[          ] %d positions, %ld exchanges (%ld captures)\n", positions_, exchanges_,
                captures_);
}
