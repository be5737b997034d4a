CREATE TABLE places (id integer primary key, name varchar(10), note varchar(40));
INSERT INTO places VALUES (1, 'Zoë', '✓');
