-- Boards by rules generation. Every board and run from before is
-- generation 1 and keeps its key; a later generation's boards have keys of
-- their own, "<fingerprint>-<spawn acceleration>-g<generation>".
ALTER TABLE boards ADD COLUMN generation integer NOT NULL DEFAULT 1 CHECK (generation >= 1);
ALTER TABLE boards ALTER COLUMN generation DROP DEFAULT;

-- The generation comes from the file at submission; the rest from the
-- verifier's verdict, where it reports them (generation 1 files have no
-- seed or end, only daily games a day).
ALTER TABLE runs
    ADD COLUMN generation integer NOT NULL DEFAULT 1 CHECK (generation >= 1),
    ADD COLUMN seed bigint CHECK (seed BETWEEN 0 AND 4294967295),
    ADD COLUMN game_end text CHECK (game_end IN ('death', 'new-game', 'exit', 'program-end')),
    ADD COLUMN day date;
ALTER TABLE runs ALTER COLUMN generation DROP DEFAULT;

-- Workers whose verifier cannot replay the job's generation; each leaves
-- it for the others and does not take it again.
ALTER TABLE jobs ADD COLUMN passed_by text[] NOT NULL DEFAULT '{}';
