-- A board is shown once a run on it verified, or once the server made it
-- its default: files of made-up rule data leave rows that no list reads.
ALTER TABLE boards ADD COLUMN shown boolean NOT NULL DEFAULT false;
UPDATE boards b SET shown = true
    WHERE EXISTS (SELECT 1 FROM board_best bb WHERE bb.board = b.key)
    OR key IN (SELECT value FROM server_facts WHERE name = 'default_board');
CREATE INDEX boards_shown ON boards (generation DESC, created_at, key) WHERE shown;
CREATE INDEX runs_board ON runs (board);

-- A player's first name is theirs once one of their runs verified; until
-- then it is held only while such a run waits. Everyone from before keeps
-- theirs.
ALTER TABLE players ADD COLUMN named boolean NOT NULL DEFAULT true;
ALTER TABLE players ALTER COLUMN named SET DEFAULT false;

-- Rejected files are kept a while, then only their verdicts.
CREATE INDEX runs_rejected_files ON runs (verdict_at)
    WHERE status = 'rejected' AND octet_length(replay) > 0;
