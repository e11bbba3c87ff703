-- A rank without counting everyone ahead: board_best's rows counted per
-- score and per block of 1024 scores, kept by a trigger on every change
-- (verdicts, deleted players). A rank is then a sum over the blocks above,
-- the scores above within its block, and the ties ahead at its own score.
CREATE TABLE board_score_counts (
    board text NOT NULL,
    score bigint NOT NULL,
    n bigint NOT NULL,
    PRIMARY KEY (board, score)
);
CREATE TABLE board_block_counts (
    board text NOT NULL,
    block bigint NOT NULL,
    n bigint NOT NULL,
    PRIMARY KEY (board, block)
);

CREATE FUNCTION board_best_counted() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN
    IF TG_OP <> 'INSERT' THEN
        UPDATE board_score_counts SET n = n - 1 WHERE board = OLD.board AND score = OLD.score;
        UPDATE board_block_counts SET n = n - 1 WHERE board = OLD.board AND block = OLD.score >> 10;
    END IF;
    IF TG_OP <> 'DELETE' THEN
        INSERT INTO board_score_counts VALUES (NEW.board, NEW.score, 1)
            ON CONFLICT (board, score) DO UPDATE SET n = board_score_counts.n + 1;
        INSERT INTO board_block_counts VALUES (NEW.board, NEW.score >> 10, 1)
            ON CONFLICT (board, block) DO UPDATE SET n = board_block_counts.n + 1;
    END IF;
    RETURN NULL;
END $$;
CREATE TRIGGER board_best_counted AFTER INSERT OR DELETE OR UPDATE OF board, score
    ON board_best FOR EACH ROW EXECUTE FUNCTION board_best_counted();

INSERT INTO board_score_counts SELECT board, score, count(*) FROM board_best GROUP BY 1, 2;
INSERT INTO board_block_counts SELECT board, score >> 10, count(*) FROM board_best GROUP BY 1, 2;

-- The place of a result on a board against the other players' bests: by
-- score, then shorter time, then earlier submission.
CREATE FUNCTION board_rank(b text, p bigint, s bigint, t real, sub timestamptz)
RETURNS bigint LANGUAGE sql STABLE AS $$
    SELECT 1
        + coalesce((SELECT sum(n) FROM board_block_counts WHERE board = b AND block > s >> 10), 0)
        + coalesce((SELECT sum(n) FROM board_score_counts WHERE board = b AND score > s
                    AND score < ((s >> 10) + 1) << 10), 0)
        + (SELECT count(*) FROM board_best o WHERE o.board = b AND o.score = s
           AND o.player_id <> p
           AND (o.game_time < t OR (o.game_time = t AND o.submitted_at < sub)))
        -- the player's own best, when it is above this run, is not another's
        - (SELECT count(*) FROM board_best m WHERE m.board = b AND m.player_id = p
           AND m.score > s)
$$;
