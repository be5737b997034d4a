-- The sample bookshop's database (data source kavr_sample), created afresh
-- by scripts/serve_site.sh each time the site is laid out. Text is UTF-8.
CREATE TABLE books (
  id       integer PRIMARY KEY,
  title    varchar(80) NOT NULL,
  author   varchar(80),
  category varchar(20),
  price    numeric(8,2),
  year     integer,
  note     varchar(200),
  cover    varchar(40),
  added    date
);
INSERT INTO books (id, title, author, category, price, year, note, added) VALUES
  (1, 'Der Process', 'Franz Kafka', 'Classics', 9.80, 1925, 'Josef K. is arrested one morning and never learns why.', '2026-01-12'),
  (2, 'Les Misérables', 'Victor Hugo', 'Classics', 14.50, 1862, 'Jean Valjean, Javert and the barricades of Paris.', '2026-01-12'),
  (3, 'Cien años de soledad', 'Gabriel García Márquez', 'Classics', 12.90, 1967, 'Seven generations of the Buendía family in Macondo.', '2026-02-03'),
  (4, 'Kokoro (こころ)', 'Natsume Sōseki', 'Classics', 8.40, 1914, 'A student and the teacher he calls Sensei.', '2026-02-03'),
  (5, 'Pippi Långstrump', 'Astrid Lindgren', 'Children', 7.90, 1945, 'The strongest girl in the world and her horse.', '2026-02-20'),
  (6, 'Emil und die Detektive', 'Erich Kästner', 'Children', 6.50, 1929, 'A boy, a stolen envelope and all the children of Berlin.', '2026-02-20'),
  (7, 'Le Petit Prince', 'Antoine de Saint-Exupéry', 'Children', 7.20, 1943, NULL, '2026-03-01'),
  (8, 'Zoë''s Winter Fox', 'Zoë Ångström', 'Children', 5.95, 2019, 'A picture book from the shop''s own town.', '2026-03-01'),
  (9, 'Köln: Ein Stadtführer', 'Jürgen Bäcker', 'Travel', 16.00, 2022, 'Churches, bridges and the best Kölsch of the city.', '2026-03-15'),
  (10, '日本 — A Journey', 'Hana Mori', 'Travel', 19.50, 2021, 'From Hokkaidō to Kyūshū by train.', '2026-03-15'),
  (11, 'Lisboa a pé', 'João Conceição', 'Travel', 13.25, 2020, 'Walks through Alfama, Baixa and Belém.', '2026-04-02'),
  (12, 'Gedichte', 'Rainer Maria Rilke', 'Poetry', 11.00, 1907, NULL, '2026-04-02'),
  (13, 'Canciones', 'Federico García Lorca', 'Poetry', 9.00, 1927, 'Songs written between 1921 and 1924.', '2026-04-20'),
  (14, 'Leaves of Grass', 'Walt Whitman', 'Poetry', 10.50, 1855, 'The poet''s own book, revised all his life.', '2026-04-20');
