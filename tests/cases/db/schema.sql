CREATE TABLE staff (id integer primary key, dept varchar(10), name varchar(20), pay integer);
INSERT INTO staff VALUES (1, 'ops', 'Ann', 10), (2, 'ops', 'Bob', NULL), (3, 'dev', 'Cy', 30),
  (4, 'dev', 'Di', 40), (5, 'web', 'Ed', 50);
