// Where the page's parts are in the viewport.
() => {
  const box = (selector) => document.querySelector(selector).getBoundingClientRect();
  return { width: innerWidth, height: innerHeight, inputs: box('#inputs').height,
           state: [box('#state').top, box('#state').bottom], results: box('#results').top };
}
