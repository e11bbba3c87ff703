-- The day's seed, one per UTC day, drawn at random by whichever server
-- process needs it first; the primary key makes two processes agree.
CREATE TABLE daily_seeds (
    day date PRIMARY KEY,
    seed bigint NOT NULL CHECK (seed BETWEEN 0 AND 4294967295),
    made_at timestamptz NOT NULL DEFAULT now()
);

-- A daily board's day; NULL for every other board.
ALTER TABLE boards ADD COLUMN day date;
CREATE INDEX boards_day ON boards (day, generation DESC) WHERE day IS NOT NULL;
