// The elements the selector finds that are shown: [data-save or data-slot, text].
(selector) => [...document.querySelectorAll(selector)]
  .filter((element) => element.getClientRects().length > 0)
  .map((element) => [element.dataset.save ?? element.dataset.slot ?? null, element.textContent])
