CREATE TABLE codes (code varchar(3), note varchar(5), word varchar(1));
INSERT INTO codes VALUES ('abcdefghijklmnop', 'ok', 'abcd日本');
